#include "transfer/outcome_text.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "common/path_text.h"
#include "shell/shell.h"
#include "transfer/phrase.h"

namespace kvd {
namespace {

std::string Seconds(int32_t milliseconds) {
    if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000);
    return std::to_string(milliseconds / 1000) + "." + std::to_string(milliseconds % 1000 / 100);
}

std::string WithDetail(const std::string& sentence, const std::string& detail, bool japanese) {
    if (detail.empty()) return sentence;
    return japanese ? sentence + "（" + detail + "）" : sentence + ": " + detail;
}

std::string OpenFailure(PortOpenError error, const std::string& port, Phrase say) {
    switch (error) {
        case PortOpenError::NotFound:
            return say("no such port: " + port, "ポート " + port + " がありません");
        case PortOpenError::PermissionDenied:
            return say("permission denied on " + port,
                       "ポート " + port + " を開く権限がありません");
        case PortOpenError::Busy:
            return say(port + " is in use by another program",
                       "ポート " + port + " は他のプログラムが使用中です");
        case PortOpenError::NotASerialPort:
            return say(port + " is not a serial port", port + " はシリアルポートではありません");
        case PortOpenError::Other:
        case PortOpenError::None:
            break;
    }
    return say("cannot open " + port, "ポート " + port + " を開けません");
}

// The sentence for a cause noted where the failure happened; empty when none was noted.
std::string CauseSentence(const CallOutcome& outcome, bool inTransfer, Phrase say) {
    const std::string block = std::to_string(std::max<int64_t>(outcome.blockIndex, 0));
    switch (outcome.cause) {
        case FailureCause::TimedOut: {
            const std::string seconds = Seconds(outcome.timeoutMs);
            if (inTransfer)
                return say("the device stopped answering (timed out after " + seconds +
                               " s at block " + block + ")",
                           "装置の応答が止まりました（ブロック " + block + " で " + seconds +
                               " 秒のタイムアウト）");
            return say("the device stopped answering (timed out after " + seconds + " s)",
                       "装置の応答が止まりました（" + seconds + " 秒のタイムアウト）");
        }
        case FailureCause::Disconnected:
            return say("the device was disconnected", "装置との接続が切れました");
        case FailureCause::Aborted:
            return say("cancelled", "中止しました");
        case FailureCause::DeviceCancelled:
            return say("the device cancelled the transfer", "装置が転送を中止しました");
        case FailureCause::BadData:
            return say("the transfer was garbled at block " + block,
                       "転送がブロック " + block + " で乱れました");
        case FailureCause::OutOfMemory:
            return say("not enough memory for the file", "ファイルを受け取るメモリが足りません");
        case FailureCause::FileMissing:
            return say("the file does not exist", "ファイルがありません");
        case FailureCause::FileUnreadable:
            return WithDetail(say("the file cannot be read", "ファイルを読めません"),
                              outcome.detail, say.japanese);
        case FailureCause::FileEmpty:
            return say("the file is empty", "ファイルが空です");
        case FailureCause::FileTooLarge:
            return say("the file is larger than the device accepts",
                       "ファイルが装置の受け付ける大きさを超えています");
        case FailureCause::FileUnwritable:
            return WithDetail(say("the received file could not be saved",
                                  "受信したファイルを保存できませんでした"),
                              outcome.detail, say.japanese);
        case FailureCause::None:
            break;
    }
    return {};
}

std::string Trimmed(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : line + ' ') {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            word.push_back(c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    return words;
}

bool SameWord(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The status word of the device's refusal line ("GetLog 2", the reply to "GetLog 3"); empty when
// the line is not the command's own or the word is not fit for a terminal, as device bytes are
// never shown as they came.
std::string RefusalStatus(const std::string& command, const std::string& reply) {
    const std::vector<std::string> commandWords = Words(command);
    const std::vector<std::string> replyWords = Words(reply);
    if (commandWords.empty() || replyWords.size() < 2 || !SameWord(commandWords[0], replyWords[0]))
        return {};
    const std::string& status = replyWords[1];
    constexpr std::size_t kLongestShown = 16;
    if (status.size() > kLongestShown) return {};
    for (const char c : status)
        if (c < 0x21 || c > 0x7e) return {};
    return status;
}

// A refusal of a slot command. The device says no with one status for an empty slot and for
// whatever else keeps it from the request, so the sentence says what it refused, not why.
std::string RefusedSlot(const OperationReport& report, Phrase say) {
    const std::string slot = std::to_string(report.slot);
    const bool deleting =
        LookupCommandId(report.command) == LookupCommandId(command_line::DeleteLog(0));
    std::string sentence = deleting ? say("the device refused to delete slot " + slot,
                                          "装置がスロット " + slot + " の削除を拒否しました")
                                    : say("the device refused to send slot " + slot,
                                          "装置がスロット " + slot + " の送信を拒否しました");
    const std::string status = RefusalStatus(report.command, report.outcome.reply);
    if (!status.empty())
        sentence += say(" (status " + status + ")", "（ステータス " + status + "）");
    return sentence;
}

std::string StageSentence(const OperationReport& report, const std::string& port, Phrase say) {
    const CallOutcome& outcome = report.outcome;
    const bool slotCommand = report.slot >= 0;
    switch (outcome.failure) {
        case CallFailure::Open:
            return OpenFailure(outcome.openError, port, say);
        case CallFailure::Unsendable:
            return say("the request is too long for the device (a name or folder over 259 bytes)",
                       "要求が長すぎて装置に送れません（259 バイトを超える名前かフォルダー）");
        case CallFailure::Echo:
            return say("the device does not answer on " + port,
                       "ポート " + port + " の装置が応答しません");
        case CallFailure::NoAnswer:
            return say("the device stopped answering", "装置の応答が止まりました");
        case CallFailure::BadReply:
            return say("the device's reply could not be read", "装置の応答を読み取れません");
        case CallFailure::Refused:
            if (slotCommand) return RefusedSlot(report, say);
            return say("the device refused the request", "装置が要求を拒否しました");
        case CallFailure::Transfer:
            return say("the transfer failed at block " + std::to_string(outcome.blockIndex),
                       "転送がブロック " + std::to_string(outcome.blockIndex) + " で失敗しました");
        case CallFailure::Completion:
            return say("the log could not be saved as KML",
                       "ログを KML として保存できませんでした");
        case CallFailure::None:
            break;
    }
    return say("the request failed", "要求が失敗しました");
}

}  // namespace

std::string DescribeFailure(const OperationReport& report, const std::string& port, uint16_t langId,
                            bool withCommand) {
    const Phrase say{langId == kLangIdJapanese};
    std::string sentence;
    if (report.Cancelled()) {
        sentence = say("cancelled", "中止しました");
    } else {
        const CallOutcome& outcome = report.outcome;
        const bool inTransfer = outcome.failure == CallFailure::Transfer;
        if (outcome.failure != CallFailure::Open && outcome.failure != CallFailure::Completion)
            sentence = CauseSentence(outcome, inTransfer, say);
        if (sentence.empty()) sentence = StageSentence(report, port, say);
    }
    if (withCommand && !report.command.empty()) {
        const std::string reply = Trimmed(report.outcome.reply);
        sentence += " ('" + report.command + "'" +
                    (reply.empty() ? std::string() : " answered '" + reply + "'") + ")";
    }
    return sentence;
}

std::string DescribeSavedLog(const SavedLog& log, uint16_t langId) {
    const Phrase say{langId == kLangIdJapanese};
    const std::string& name = log.deviceName;
    switch (log.result) {
        case SaveResult::Converted:
            if (log.rawError.empty()) return {};
            return say(name + ": the raw log could not be saved: " + log.rawError,
                       name + ": 元のログを保存できませんでした（" + log.rawError + "）");
        case SaveResult::KeptRaw: {
            const std::string raw = log.written.empty() ? name : PathToUtf8(log.written.back());
            return say(name + " could not be converted (" + log.conversionError +
                           "); the raw log was saved as " + raw,
                       name + " を変換できませんでした（" + log.conversionError +
                           "）。元のログを " + raw + " に保存しました");
        }
        case SaveResult::NotSaved:
            return say(name + " could not be saved: " + log.conversionError +
                           (log.rawError.empty() ? std::string() : "; " + log.rawError),
                       name + " を保存できませんでした（" + log.conversionError +
                           (log.rawError.empty() ? std::string() : "; " + log.rawError) + "）");
        case SaveResult::Cancelled:
            return say(name + ": cancelled", name + ": 中止しました");
    }
    return {};
}

std::string DescribeLogWarning(const SavedLog& log, uint16_t langId) {
    if (log.warning.empty()) return {};
    if (langId != kLangIdJapanese) return log.deviceName + ": " + log.warning;
    return log.deviceName + ": ログが保持できる最後の時刻を過ぎた測位点 " +
           std::to_string(log.fixesLeftOut) + " 件を省きました";
}

}  // namespace kvd
