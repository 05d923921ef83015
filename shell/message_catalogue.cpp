#include "shell/message_catalogue.h"

namespace kvd {

std::atomic<uint16_t> g_userLangId{kLangIdEnglishUs};

// Japanese first, then English, in entry order. Some texts are printf formats or markup
// that the KML writer fills in; their conversions must stay as they are.
const std::array<MessagePair, kMessageEntryCount> kMessageCatalogue = {{
    {"%s %d %%\n\n経過時間：%.0f s  残り時間：%.0f s",
     "%s %d %%\n\nSpent time：%.0f s  Estimated time：%.0f s"},
    {"FPTﾌｧｲﾙ |*.FPT||", "FPT files |*.FPT||"},
    {"GPSポイントデータの更新", "Update GPS point data"},
    {"GPSログデータの取得", "Get GPS log data"},
    {"GPSログデータリスト", "list of GPS log data"},
    {"memﾌｧｲﾙ |*.mem||", "mem files |*.mem||"},
    {"お待ちください　※削除は中断できません", "Please wait※can not abort deleting"},
    {"お待ちください", "Please wait"},
    {"キャンセル中", "aborting"},
    {"サイズ", "size"},
    {"データ更新に失敗しました", "Updating data error"},
    {"データを更新しました", "Updating data normally ends"},
    {"データ取得に失敗しました", "Getting data error"},
    {"データを取得しました", "Getting data normally ends"},
    {"ファイル", "file"},
    {"ファイルを選択して下さい。", "Please select a file"},
    {"ファイル名", "file name"},
    {"フォルダを選択して下さい。", "Please select a folder"},
    {"ポイント", "Points"},
    {"ログ", "Logs"},
    {"音声", "Voices"},
    {"音声合成データの更新", "Update synthetic voice data"},
    {"更新", "Update"},
    {"更新中", "Updating"},
    {"項目を選択してください", "Please select rows"},
    {"合成", "Synthesis"},
    {"削除に失敗しました", "Deleting data error"},
    {"削除しました", "Deleting data normally end"},
    {"取得中", "Getting"},
    {"終了", "End"},
    {"接続待機中", "connecting"},
    {"選択", "Select"},
    {"選択ファイルの削除", "Delete selected files"},
    {"選択ファイルの取得", "Get selected files"},
    {"閉じる", "Close"},
    {"保存先フォルダの指定", "Selecting folder for storing"},
    {"録音", "Recording"},
    {"全て選択※無効なファイルは選択できません。", "Select all※can not select invalid files"},
    {"保存フォルダ", "folder path"},
    {"更新データファイル", "data file path"},
    {"GPSログデータ", "GPS log data"},
    {"<Data name=\"開始時刻\"><value>%d年%d月%d日\r\n%d時%d分%d秒</value></Data>"
     "<Data name=\"終了時刻\"><value>%d年%d月%d日\r\n%d時%d分%d秒</value></Data>"
     "<Data name=\"データ間隔\"><value>%d秒</value></Data>",
     "<Data name=\"Start Time\"><value>%d/%d/%d\r\n%d:%d:%d</value></Data>"
     "<Data name=\"End Time\"><value>%d/%d/%d\r\n%d:%d:%d</value></Data>"
     "<Data name=\"Data Distance\"><value>%d seconds</value></Data>"},
    {"%04d/%02d/%02d %02d:%02d:%02d", "%04d/%02d/%02d %02d:%02d:%02d"},
    {"<Data name=\"速度\"><value>%.2f</value></Data>"
     "<Data name=\"進行方向\"><value>%.1f</value></Data>"
     "<Data name=\"時刻\"><value>%04d/%02d/%02d %02d:%02d:%02d</value></Data>"
     "<Data name=\"緯度\"><value>%f</value></Data>"
     "<Data name=\"経度\"><value>%f</value></Data>",
     "<Data name=\"Velocity\"><value>%.2f</value></Data>"
     "<Data name=\"Direction\"><value>%.1f</value></Data>"
     "<Data name=\"Time\"><value>%04d/%02d/%02d %02d:%02d:%02d</value></Data>"
     "<Data name=\"Latitude\"><value>%f</value></Data>"
     "<Data name=\"Longitude\"><value>%f</value></Data>"},
    {"<Data name=\"速度\"><value>%.2f</value></Data>"
     "<Data name=\"時刻\"><value>%04d/%02d/%02d %02d:%02d:%02d</value></Data>"
     "<Data name=\"緯度\"><value>%f</value></Data>"
     "<Data name=\"経度\"><value>%f</value></Data>",
     "<Data name=\"Velocity\"><value>%.2f</value></Data>"
     "<Data name=\"Time\"><value>%04d/%02d/%02d %02d:%02d:%02d</value></Data>"
     "<Data name=\"Latitude\"><value>%f</value></Data>"
     "<Data name=\"Longitude\"><value>%f</value></Data>"},
    {"経路", "Path"},
}};

std::string_view MessageText(MessageEntry entry, uint16_t langId) {
    const MessagePair& pair = kMessageCatalogue[static_cast<std::size_t>(entry)];
    return langId == kLangIdJapanese ? pair.japanese : pair.english;
}

std::string_view MessageText(MessageEntry entry) {
    return MessageText(entry, g_userLangId.load(std::memory_order_relaxed));
}

uint16_t LangIdFromLocaleName(std::string_view localeName) {
    return localeName.starts_with("ja") ? kLangIdJapanese : kLangIdEnglishUs;
}

void InitUserLanguage() { g_userLangId.store(ReadUserDefaultLangId(), std::memory_order_relaxed); }

}  // namespace kvd
