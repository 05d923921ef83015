// The transfer window's boxes and choosers, as the system draws them: task dialogs with the
// program's own buttons and the cause under the text, and the system's folder and file
// choosers. Texts are UTF-8.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kvd::win32 {

// Ids of the task dialogs' own buttons (the layout report names them id100, id101).
inline constexpr int kOfferButtonId = 100;
inline constexpr int kYesButtonId = 101;

void ShowMessageBox(HWND owner, const std::string& text, const std::string& detail);
// True when the user chose `offer`.
bool ShowMessageBoxOffering(HWND owner, const std::string& text, const std::string& detail,
                            const std::string& offer);
// True for `yes`; `no` is the default.
bool AskQuestion(HWND owner, const std::string& text, const std::string& yes,
                 const std::string& no);
void OpenFolderWindow(const std::string& folder);
std::optional<std::string> ChooseFolderDialog(HWND owner, const std::string& title,
                                              const std::string& startFolder);
std::optional<std::string> ChooseFileDialog(HWND owner, const std::string& catalogueFilter,
                                            const std::string& startFolder);

}  // namespace kvd::win32
