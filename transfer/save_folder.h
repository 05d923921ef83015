// The folder logs are saved into: checked before anything is downloaded, made only once the
// device has answered, so that a failed get leaves no empty folder behind and a folder that
// cannot take the files fails before the logs are fetched.
//
//   if (const auto problem = SaveFolderProblem(folder, langId)) return Fail(*problem);
//   ...the device answers...
//   if (const auto problem = MakeSaveFolder(folder, langId)) return Fail(*problem);
//
// Sentences are worded as those of outcome_text.h: lower case start, no final full stop.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvd {

// Why logs cannot be saved in `folder` (UTF-8; empty means the current folder), in the
// language of langId; none when they can. Nothing is created.
std::optional<std::string> SaveFolderProblem(const std::string& folder, uint16_t langId);

// Creates `folder` with its parents when missing; why not, in the language of langId, when it
// cannot.
std::optional<std::string> MakeSaveFolder(const std::string& folder, uint16_t langId);

}  // namespace kvd
