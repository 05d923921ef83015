#include "shell/wait_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "devicelink/devicelink.h"
#include "shell/catalogue_text.h"

namespace kvd {
namespace {

// The window's own texts are the same in both languages.
const QString kStartingText = QString::fromUtf8("開始中");
const QString kCancelText = QString::fromUtf8("キャンセル");

// A file name from the device link, in the system's code page.
QString FileNameText(const char* fileName) {
    if (fileName == nullptr) return {};
    const std::optional<std::u16string> wide = AnsiToWide(fileName);
    return wide ? QString::fromStdU16String(*wide) : QString();
}

}  // namespace

CWaitDialog::CWaitDialog(QWidget* owner, CancelRequest& cancel) : QDialog(owner), m_cancel(cancel) {
    // Modal over its owner's windows only: the tray icon's exit must stay reachable.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(kStartingText);
    m_wndMessage = new QLabel(kStartingText, this);
    m_wndMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_wndMessage->setWordWrap(true);
    m_wndProgress = new QProgressBar(this);
    m_wndProgress->setTextVisible(false);
    m_wndCancel = new QPushButton(kCancelText, this);
    // Enter must not press Cancel: nothing in this window is a default button.
    m_wndCancel->setAutoDefault(false);
    m_wndCancel->setDefault(false);
    connect(m_wndCancel, &QPushButton::clicked, this, &CWaitDialog::reject);
    connect(this, &CWaitDialog::ProgressPosted, this, &CWaitDialog::ShowLatestProgress,
            Qt::QueuedConnection);
    connect(this, &CWaitDialog::WorkerFinished, this, &CWaitDialog::OnWorkerFinished,
            Qt::QueuedConnection);
}

CWaitDialog::~CWaitDialog() {
    if (m_hThread.joinable()) m_hThread.join();
}

int32_t CWaitDialog::Execute(QWidget* owner, Operation operation, bool percent, bool cancelButton,
                             const QString& message) {
    m_bPercent = percent;
    m_pfnOperation = std::move(operation);
    m_strMessage = message;
    m_bCancelButton = cancelButton;
    if (m_bPercent)
        LayOutPercentStyle();
    else
        LayOutMarqueeStyle(owner);
    // The worker's "finished" arrives as a queued call, so it is handled by the loop of exec()
    // even when the operation returns before that loop has started.
    m_hThread = std::thread([this] { RunWorker(); });
    exec();
    // The worker's last step was to post "finished": it ends at once, and what the
    // operation wrote is then safely visible to the caller.
    m_hThread.join();
    return m_nResult.load();
}

void CWaitDialog::LayOutPercentStyle() {
    // The window's template at 1.5 x 1.625 pixels per dialog unit.
    setFixedSize(474, 182);
    m_wndMessage->setGeometry(74, 11, 314, 52);
    m_wndProgress->setGeometry(30, 76, 416, 21);
    m_wndProgress->setRange(0, kRange);
    m_wndProgress->setValue(0);
    m_wndCancel->setGeometry(194, 120, 75, 23);
    m_wndCancel->show();
}

void CWaitDialog::LayOutMarqueeStyle(QWidget* owner) {
    // No caption, so no close box: only Escape (and Cancel, when shown) reach reject().
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
    QRect area(0, 0, kMarqueeWidth, kMarqueeHeight);
    if (owner != nullptr) {
        const QRect frame = owner->frameGeometry();
        area.moveTopLeft({frame.left() + (frame.width() - kMarqueeWidth) / 2,
                          frame.top() + (frame.height() - kMarqueeHeight) / 2});
    }
    setFixedSize(area.size());
    move(area.topLeft());
    m_wndCancel->setGeometry(176, 140, 90, 20);
    // As wide as the bar, around the same centre, so that the whole message shows.
    m_wndMessage->setGeometry(60, 40, 320, 20);
    m_wndMessage->setWordWrap(false);
    m_wndProgress->setGeometry(60, 80, 320, 20);
    m_wndProgress->setRange(0, 0);  // endless
    m_wndMessage->setText(m_strMessage);
    m_wndCancel->setVisible(m_bCancelButton);
}

void CWaitDialog::RunWorker() {
    if (m_pfnOperation) m_nResult = m_pfnOperation(*this);
    m_bFillBar = !m_cancel.IsRequested();
    emit WorkerFinished();
}

void CWaitDialog::OnWorkerFinished() {
    if (m_bFillBar.load() && m_bPercent) m_wndProgress->setValue(kRange);
    done(QDialog::Rejected);
}

void CWaitDialog::WaitProgressCallback(void* context, int32_t percent, const char* fileName,
                                       double elapsedSeconds, double estimatedTotalSeconds,
                                       int32_t mode) {
    auto* dialog = static_cast<CWaitDialog*>(context);
    if (dialog == nullptr) return;
    // The padded last block reports more than 100; the full bar comes at the end. The
    // endless bar has no position to show.
    if (percent < 0 || percent > kRange || !dialog->m_bPercent) return;
    bool wakeNeeded = false;
    {
        const std::lock_guard<std::mutex> lock(dialog->m_progressLock);
        // One wake-up per report taken: the rest only replace the waiting report.
        wakeNeeded = !dialog->m_latestProgress.has_value();
        // The name is only valid during this call: it is copied here.
        dialog->m_latestProgress = ProgressReport{percent, fileName != nullptr ? fileName : "",
                                                  elapsedSeconds, estimatedTotalSeconds, mode};
    }
    if (wakeNeeded) emit dialog->ProgressPosted();
}

void CWaitDialog::ShowLatestProgress() {
    std::optional<ProgressReport> report;
    {
        const std::lock_guard<std::mutex> lock(m_progressLock);
        report.swap(m_latestProgress);
    }
    if (!report) return;
    m_wndProgress->setValue(report->percent);
    const std::string please(MessageText(MsgPleaseWait));
    m_wndMessage->setText(QString::asprintf(std::string(MessageText(MsgProgressTime)).c_str(),
                                            please.c_str(), report->percent,
                                            report->elapsedSeconds,
                                            report->estimatedTotalSeconds - report->elapsedSeconds));
    const MessageEntry action = report->mode == SendFile ? MsgUpdating : MsgGetting;
    setWindowTitle(QStringLiteral("%1 %2 %3 %")
                       .arg(FileNameText(report->fileName.c_str()), CatalogueText(action))
                       .arg(report->percent));
}

void CWaitDialog::reject() {
    m_wndMessage->setText(CatalogueText(MsgAborting));
    m_cancel.Request();
}

void CWaitDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // Enter does nothing here
        return;
    }
    QDialog::keyPressEvent(event);  // Escape calls reject()
}

void CWaitDialog::closeEvent(QCloseEvent* event) {
    event->ignore();  // the window closes only when the operation has returned
    reject();
}

}  // namespace kvd
