// The transfer window's device operations: get, delete and the two uploads, each on a worker
// under the progress dialog while the opener's connection check is paused.
#include <algorithm>
#include <filesystem>

#include "common/path_text.h"
#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "shell/desktop_texts.h"
#include "transfer/outcome_text.h"
#include "transfer/recorded_download.h"
#include "transfer/save_folder.h"
#include "transfer/saved_logs.h"
#include "transfer/transfer_presenter.h"

namespace kvd {
namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

// A failed delete may still have removed the logs before the one that failed; a cancelled
// line may have reached the device before the cancel was seen.
bool MayHaveDeleted(const OperationReport& report, const std::vector<int>& selected) {
    if (report.Succeeded()) return true;
    if (report.slot < 0) return false;  // the mode switch failed: nothing was sent
    return report.Cancelled() || report.slot != selected.front();
}

}  // namespace

void TransferPresenter::BeginOperation() {
    if (check_ != nullptr) check_->PauseConnectionCheck();
    operationCancel_.Clear();
}

bool TransferPresenter::EndOperation() {
    if (check_ != nullptr && check_->ExitRequested()) {
        // An exit was asked for during the operation. An operation nested in another (the
        // list read again after a delete) ends first; the window closes once.
        if (!closed_) view_.CloseWindow();
        closed_ = true;
        return false;
    }
    if (check_ != nullptr) check_->ResumeConnectionCheck();
    return true;
}

void TransferPresenter::RunWithProgress(ProgressStyle style,
                                        const std::function<void()>& operation) {
    ProgressRun run(std::move(style), operationCancel_);
    view_.RunProgress(run, operation);
    run.Join();
}

TransferSettings TransferPresenter::OperationSettings(ProgressRun* run) const {
    TransferSettings settings;
    settings.port = DevicePortName();
    settings.cancel = &operationCancel_;
    if (run != nullptr) {
        settings.progress = &ProgressRun::Report;
        settings.progressContext = run;
    }
    return settings;
}

void TransferPresenter::ShowResult(bool succeeded, MessageEntry okEntry, MessageEntry errorEntry,
                                   const std::string& detail) {
    view_.ShowMessage(Text(succeeded ? okEntry : errorEntry), detail);
}

void TransferPresenter::OnGet() {
    if (mode_ == ModeUpdate) {
        RunUpdate(TransferControl::PathEdit, path_, command_line::kGpsDataUpdate);
        return;
    }
    if (TickedRows().empty()) return;
    BeginOperation();
    RunGet();
    EndOperation();
}

void TransferPresenter::RunGet() {
    const std::vector<int> selected = TickedRows();
    path_ = view_.Text(TransferControl::PathEdit);
    if (path_.empty()) {
        view_.ShowMessage(Text(MsgSelectFolder), {});
        return;
    }
    // Checked before the first download, so that a get does not fetch logs only to fail at
    // saving them; made only now that the device has answered with its list.
    std::optional<std::string> problem = SaveFolderProblem(path_, g_userLangId);
    if (!problem) problem = MakeSaveFolder(path_, g_userLangId);
    if (problem) {
        view_.ShowMessage(Text(MsgGetDataError), *problem);
        return;
    }
    // Each log becomes NAME.kml; one that cannot be converted is kept as the device sent it,
    // and the get goes on with the next. The folder's record learns of each log saved, so
    // that the window and `get --new` agree on what is new.
    std::string damage;
    SavedLogRecord record = SavedLogRecord::Load(PathFromUtf8(path_), damage);
    const auto icons = ChooseIconReachability(false);
    SaveOptions options;
    options.folder = path_;
    options.icons = icons.get();
    options.cancel = &operationCancel_;
    options.record = &record;
    options.formats = formats_;
    LogSaver saver(options);
    RecordedDownload download;
    download.saver = &saver;
    download.record = &record;
    download.formats = options.formats;
    std::vector<SlotResult> results;
    OperationReport report;
    {
        ProgressRun run(ProgressStyle::Percent(), operationCancel_);
        const TransferSettings settings = OperationSettings(&run);
        // The dialog says which log of how many it is on.
        const int count = static_cast<int>(selected.size());
        int arrived = 0;
        run.SetItem(1, count);
        download.onArrived = [&] { run.SetItem(std::min(++arrived + 1, count), count); };
        view_.RunProgress(run, [&] {
            report = GetEachFile(settings, selected, path_, &RecordedDownload::Complete, &download,
                                 results);
        });
        run.Join();
    }

    std::vector<std::string> lines;
    bool allSaved = report.Succeeded();
    if (!damage.empty()) lines.push_back(damage);
    for (const SlotResult& result : results) {
        if (result.status == SlotStatus::Refused) {
            lines.push_back(DescribeFailure(result.report, DevicePortName(), g_userLangId));
            allSaved = false;
        }
    }
    for (const SavedLog& log : saver.Logs()) {
        if (!log.Succeeded() && log.result != SaveResult::Cancelled) allSaved = false;
        lines.push_back(DescribeSavedLog(log, g_userLangId));
        lines.push_back(DescribeLogWarning(log, g_userLangId));
    }
    for (const std::string& error : download.recordErrors) lines.push_back(error);
    if (!report.Succeeded())
        lines.push_back(DescribeFailure(report, DevicePortName(), g_userLangId));
    // Then every file written, by name: they are all in the folder the user can open.
    std::vector<std::string> written;
    for (const SavedLog& log : saver.Logs())
        for (const auto& file : log.written)
            written.push_back("    " + PathToUtf8(file.filename()));
    if (!written.empty()) {
        lines.emplace_back(Say(kTextFilesWritten));
        lines.insert(lines.end(), written.begin(), written.end());
    }
    // The list shows what is saved now before the box speaks of it.
    MarkNewRows();
    const std::string text = Text(allSaved ? MsgGetDataOk : MsgGetDataError);
    if (written.empty()) {
        view_.ShowMessage(text, JoinLines(lines));
    } else if (view_.ShowMessageOffering(text, JoinLines(lines),
                                         std::string(Say(kTextOpenFolder)))) {
        view_.OpenFolder(path_);
    }
}

void TransferPresenter::OnUpdateVoice() {
    RunUpdate(TransferControl::MemPathEdit, memPath_, command_line::kVoiceDataUpdate);
}

void TransferPresenter::RunUpdate(TransferControl edit, std::string& path,
                                  const char* commandLine) {
    BeginOperation();
    path = view_.Text(edit);
    if (path.empty()) {
        view_.ShowMessage(Text(MsgSelectFile), {});
        EndOperation();
        return;
    }
    OperationReport report;
    {
        ProgressRun run(ProgressStyle::Percent(), operationCancel_);
        const TransferSettings settings = OperationSettings(&run);
        view_.RunProgress(run, [&] { report = SendUpdateFile(settings, commandLine, path); });
        run.Join();
    }
    ShowResult(report.Succeeded(), MsgUpdateOk, MsgUpdateError,
               report.Succeeded() ? std::string()
                                  : DescribeFailure(report, DevicePortName(), g_userLangId));
    EndOperation();
}

void TransferPresenter::OnDelete() {
    const std::vector<int> selected = TickedRows();
    if (selected.empty()) return;
    BeginOperation();
    RunDelete();
    EndOperation();
}

void TransferPresenter::RunDelete() {
    const std::vector<int> selected = TickedRows();
    // A log never saved is gone for good once deleted: ask first, for those only.
    std::string damage;
    const std::string folder = view_.Text(TransferControl::PathEdit);
    const SavedLogRecord record = SavedLogRecord::Load(PathFromUtf8(folder), damage);
    std::vector<std::string> unsaved;
    for (int slot : selected) {
        const RowEntry& row = rows_[static_cast<std::size_t>(slot)];
        // Saved in any format counts: the log is not lost.
        if (IsNewLog(record, row, OutputFormats{false, false, false})) unsaved.push_back(row.name);
    }
    if (!unsaved.empty() &&
        !view_.Ask(UnsavedDeleteQuestion(unsaved, folder, g_userLangId),
                   std::string(Say(kTextDelete)), std::string(Say(kTextCancel))))
        return;

    // The dialog says a delete cannot be interrupted, and it cannot: neither the user nor
    // the program's end stops it half-way.
    OperationReport report;
    RunWithProgress(ProgressStyle::Endless(Text(MsgWaitNoAbortDelete), false), [&] {
        TransferSettings settings = OperationSettings(nullptr);
        settings.cancel = nullptr;
        report = DeleteSelectedFiles(settings, selected);
    });
    ShowResult(report.Succeeded(), MsgDeleteOk, MsgDeleteError,
               report.Succeeded() ? std::string()
                                  : DescribeFailure(report, DevicePortName(), g_userLangId));
    // The list never shows a log that is gone; it is asked for again as a fresh operation.
    if (MayHaveDeleted(report, selected) && !(check_ != nullptr && check_->ExitRequested()))
        RefreshList();
}

}  // namespace kvd
