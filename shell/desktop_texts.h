// The desktop program's own texts beyond the message catalogue, in both languages. Each
// front end shows them as they are; sentences follow the catalogue's style.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/message_catalogue.h"

namespace kvd {

// The text of `pair` for the language: Japanese for 0x0411, English otherwise.
std::string_view Say(const MessagePair& pair, uint16_t langId);
std::string_view Say(const MessagePair& pair);  // in the user's language

inline constexpr MessagePair kTextExitCommand{"終了", "Exit"};
inline constexpr MessagePair kTextStarting{"開始中", "Starting"};
inline constexpr MessagePair kTextCancel{"キャンセル", "Cancel"};
inline constexpr MessagePair kTextDelete{"削除", "Delete"};
inline constexpr MessagePair kTextNewMark{"新規", "new"};
inline constexpr MessagePair kTextFormatsNotKept{
    "保存形式を設定ファイルに保存できませんでした",
    "The file format could not be kept in the settings file"};
inline constexpr MessagePair kTextOpenFolder{"フォルダーを開く", "Open folder"};
inline constexpr MessagePair kTextFilesWritten{"保存したファイル:", "Files written:"};
inline constexpr MessagePair kTextFormatKml{"KML", "KML"};
inline constexpr MessagePair kTextFormatGpx{"GPX", "GPX"};
inline constexpr MessagePair kTextFormatBoth{"KML と GPX", "KML and GPX"};
inline constexpr MessagePair kTextFormatKmz{"KMZ (圧縮 KML)", "KMZ (zipped KML)"};
inline constexpr MessagePair kTextAlreadyRunning{"KVD-2730 は既に起動しています。",
                                                 "KVD-2730 is already running."};
inline constexpr MessagePair kTextListUnreadable{"装置のログ一覧を読み取れませんでした",
                                                 "The device's list could not be read"};
inline constexpr MessagePair kTextSettingsNotKept{
    "保存先フォルダーを設定ファイルに保存できませんでした",
    "The save folder could not be kept in the settings file"};

// The notification when the device is found: how many logs the save folder does not hold.
std::string NewTripsText(int count, uint16_t langId);

// The question before deleting logs that the save folder does not hold: each log a line.
std::string UnsavedDeleteQuestion(const std::vector<std::string>& logs, const std::string& folder,
                                  uint16_t langId);

}  // namespace kvd
