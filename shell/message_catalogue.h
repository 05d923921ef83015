// Every language-dependent text set at run time, in Japanese and English.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kvd {

// Entry numbers fix the table order only; callers name entries.
enum MessageEntry : int32_t {
    MsgProgressTime = 0,
    MsgFilterFpt,
    MsgUpdateGpsPointData,
    MsgGetGpsLogData,
    MsgGpsLogDataList,
    MsgFilterMem,
    MsgWaitNoAbortDelete,
    MsgPleaseWait,
    MsgAborting,
    MsgSize,
    MsgUpdateError,
    MsgUpdateOk,
    MsgGetDataError,
    MsgGetDataOk,
    MsgFile,
    MsgSelectFile,
    MsgFileName,
    MsgSelectFolder,
    MsgPoints,
    MsgLogs,
    MsgVoices,
    MsgUpdateVoiceData,
    MsgUpdate,
    MsgUpdating,
    MsgSelectRows,
    MsgSynthesis,
    MsgDeleteError,
    MsgDeleteOk,
    MsgGetting,
    MsgEnd,
    MsgConnecting,
    MsgSelect,
    MsgDeleteSelected,
    MsgGetSelected,
    MsgClose,
    MsgSelectStoreFolder,
    MsgRecording,
    MsgSelectAllValid,
    MsgFolderPath,
    MsgDataFilePath,
    MsgGpsLogData,
    MsgKmlTrackSummary,
    MsgDateTimeFormat,
    MsgKmlPointDetailWithHeading,
    MsgKmlPointDetail,
    MsgPath,
};

inline constexpr std::size_t kMessageEntryCount = 46;

// One entry: the same message in both languages, UTF-8.
struct MessagePair {
    std::string_view japanese;
    std::string_view english;
};

extern const std::array<MessagePair, kMessageEntryCount> kMessageCatalogue;

inline constexpr uint16_t kLangIdJapanese = 0x0411;
inline constexpr uint16_t kLangIdEnglishUs = 0x0409;

// The user's default language, set once at start-up by InitUserLanguage().
extern std::atomic<uint16_t> g_userLangId;

// Japanese text for 0x0411, English for every other language.
std::string_view MessageText(MessageEntry entry, uint16_t langId);
std::string_view MessageText(MessageEntry entry);

// Language identifier of a POSIX locale name: "ja..." is Japanese, anything else English.
uint16_t LangIdFromLocaleName(std::string_view localeName);

// The user's default language as the platform reports it.
uint16_t ReadUserDefaultLangId();

// Reads the user's language into g_userLangId; call once before any text is shown.
void InitUserLanguage();

}  // namespace kvd
