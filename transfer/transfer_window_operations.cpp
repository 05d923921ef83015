// The transfer window's device operations: get, delete and the two updates, each run on the
// progress dialog's worker thread while the connection check of the opener is paused.
#include <QDir>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "gpslog/gpslog.h"
#include "shell/catalogue_text.h"
#include "shell/wait_dialog.h"
#include "transfer/transfer.h"
#include "transfer/transfer_window.h"

namespace kvd {
namespace {

// A path as the device link takes it: bytes in the system's code page; none when a
// character of it has no place there (the link would open another file).
std::optional<std::string> LinkText(const QString& path) {
    const QByteArray bytes = path.toLocal8Bit();
    if (QString::fromLocal8Bit(bytes) != path) return std::nullopt;
    return bytes.toStdString();
}

// The cause of a failure in the user's language, and what became of each log that was not
// simply converted (kept as the device sent it, not saved).
QString FailureDetail(const OperationReport& report, const std::vector<SavedLog>& logs = {}) {
    QStringList lines;
    for (const SavedLog& log : logs) {
        const std::string line = DescribeSavedLog(log, g_userLangId);
        if (!line.empty()) lines << QString::fromStdString(line);
    }
    if (!report.Succeeded())
        lines << QString::fromStdString(DescribeFailure(report, DevicePortName(), g_userLangId));
    return lines.join('\n');
}

// Why files cannot be saved in `folder`, or nothing when they can. Checked before the first
// download, so that a get does not fetch logs only to fail at saving them.
std::optional<std::string> SaveFolderProblem(const QString& folder) {
    const std::filesystem::path path = PathFromUtf8(folder.toStdString());
    std::error_code status;
    if (!std::filesystem::exists(path, status)) return "the folder " + folder.toStdString() + " does not exist";
    if (!std::filesystem::is_directory(path, status))
        return folder.toStdString() + " is not a folder";
    std::string error;
    if (!CheckSaveFolder(folder.toStdString(), error)) return error;
    return std::nullopt;
}

TransferSettings OperationSettings(CWaitDialog* progressDialog, const CancelRequest& cancel) {
    TransferSettings settings;
    settings.port = DevicePortName();
    settings.cancel = &cancel;
    if (progressDialog != nullptr) {
        settings.progress = &CWaitDialog::WaitProgressCallback;
        settings.progressContext = progressDialog;
    }
    return settings;
}

// A failed delete may still have removed the logs before the one that failed; a cancelled
// line may have reached the device before the cancel was seen.
bool MayHaveDeleted(const OperationReport& report, const std::vector<int>& selected) {
    if (report.Succeeded()) return true;
    if (report.slot < 0) return false;  // the mode switch failed: nothing was sent
    return report.Cancelled() || report.slot != selected.front();
}

}  // namespace

void CKVD2730Dlg::BeginOperation() {
    if (m_pConnectionCheck != nullptr) m_pConnectionCheck->PauseConnectionCheck();
    m_operationCancel.Clear();
}

void CKVD2730Dlg::EndOperation() {
    if (m_pConnectionCheck != nullptr && m_pConnectionCheck->ExitRequested()) {
        reject();  // an exit was asked for during the operation
        return;
    }
    if (m_pConnectionCheck != nullptr) m_pConnectionCheck->ResumeConnectionCheck();
}

void CKVD2730Dlg::ShowMessage(const QString& text, const QString& detail) {
    m_pPrompts->ShowMessage(this, text, detail);
}

void CKVD2730Dlg::ShowResult(const OperationReport& report, int32_t okEntry, int32_t errorEntry,
                             const std::vector<SavedLog>& logs) {
    if (report.Succeeded())
        ShowMessage(CatalogueText(static_cast<MessageEntry>(okEntry)));
    else
        ShowMessage(CatalogueText(static_cast<MessageEntry>(errorEntry)),
                    FailureDetail(report, logs));
}

void CKVD2730Dlg::OnClickedGet() {
    if (m_nMode == ModeUpdate) {
        RunUpdate(m_editPath, m_strPath, command_line::kGpsDataUpdate);
        return;
    }
    BeginOperation();
    RunGet();
    EndOperation();
}

void CKVD2730Dlg::RunGet() {
    const std::vector<int> selected = m_list->CheckedRows();
    if (selected.empty()) return;
    m_strPath = m_editPath->text();
    if (m_strPath.isEmpty()) {
        ShowMessage(CatalogueText(MsgSelectFolder));
        return;
    }
    const std::optional<std::string> folder = LinkText(m_strPath);
    if (!folder) {
        ShowResult(OperationReport::Failure(CallFailure::Unsendable), MsgGetDataOk, MsgGetDataError);
        return;
    }
    if (const auto problem = SaveFolderProblem(m_strPath)) {
        ShowMessage(CatalogueText(MsgGetDataError), QString::fromStdString(*problem));
        return;
    }
    // Each log becomes NAME.kml; one that cannot be converted is kept as the device sent it,
    // and a second log of a name already saved gets a name of its own.
    const auto icons = ChooseIconReachability(false);
    SaveOptions options{*folder, icons.get()};
    options.cancel = &m_operationCancel;
    LogSaver saver(options);
    CWaitDialog dialog(this, m_operationCancel);
    const TransferSettings settings = OperationSettings(&dialog, m_operationCancel);
    OperationReport report;
    dialog.Execute(
        this,
        [&](CWaitDialog&) {
            report = GetSelectedFiles(settings, selected, *folder, &LogSaver::Complete, &saver);
            return report.Succeeded() ? 1 : 0;
        },
        true, true, CatalogueText(MsgPleaseWait));
    ShowResult(report, MsgGetDataOk, MsgGetDataError, saver.Logs());
}

void CKVD2730Dlg::OnClickedUpdateVoice() {
    RunUpdate(m_editMemPath, m_strMemPath, command_line::kVoiceDataUpdate);
}

void CKVD2730Dlg::RunUpdate(CCustomEdit* edit, QString& path, const char* commandLine) {
    BeginOperation();
    path = edit->text();
    if (path.isEmpty()) {
        ShowMessage(CatalogueText(MsgSelectFile));
        EndOperation();
        return;
    }
    OperationReport report;
    const std::optional<std::string> localPath = LinkText(path);
    if (!localPath) {
        report = OperationReport::Failure(CallFailure::Unsendable);
    } else {
        CWaitDialog dialog(this, m_operationCancel);
        const TransferSettings settings = OperationSettings(&dialog, m_operationCancel);
        dialog.Execute(
            this,
            [&](CWaitDialog&) {
                report = SendUpdateFile(settings, commandLine, *localPath);
                return report.Succeeded() ? 1 : 0;
            },
            true, true, CatalogueText(MsgPleaseWait));
    }
    ShowResult(report, MsgUpdateOk, MsgUpdateError);
    EndOperation();
}

void CKVD2730Dlg::OnClickedDelete() {
    BeginOperation();
    const std::vector<int> selected = m_list->CheckedRows();
    if (!selected.empty()) {
        OperationReport report;
        CWaitDialog dialog(this, m_operationCancel);
        const TransferSettings settings = OperationSettings(nullptr, m_operationCancel);
        dialog.Execute(
            this,
            [&](CWaitDialog&) {
                report = DeleteSelectedFiles(settings, selected);
                return report.Succeeded() ? 1 : 0;
            },
            false, false, CatalogueText(MsgWaitNoAbortDelete));
        ShowResult(report, MsgDeleteOk, MsgDeleteError);
        // The list never shows a log that is gone.
        if (MayHaveDeleted(report, selected)) RefreshList();
    }
    EndOperation();
}

}  // namespace kvd
