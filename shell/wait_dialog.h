// The progress dialog: runs one device operation on a worker thread while a modal window shows
// its progress, lets the user ask for cancellation, and closes once the operation returns.
#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "common/cancel_request.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kvd {

class CWaitDialog : public QDialog {
    Q_OBJECT

public:
    // Runs on the worker thread; its result becomes the dialog's result (0 is failure).
    using Operation = std::function<int32_t(CWaitDialog& dialog)>;

    // `cancel` is the operation's own request: Cancel, Escape and the close box set it.
    CWaitDialog(QWidget* owner, CancelRequest& cancel);
    // Waits for the worker, however long it takes: it only outlives the window for the
    // moment between its last report and its end.
    ~CWaitDialog() override;
    CWaitDialog(const CWaitDialog&) = delete;
    CWaitDialog& operator=(const CWaitDialog&) = delete;

    // Shows the dialog modally over `owner`, runs `operation` once on the worker thread and
    // returns its result when the dialog has closed. `percent` chooses the bar with timing
    // text and caption; otherwise an endless bar with `message`, whose Cancel button shows
    // only when `cancelButton` is set. Call once per dialog.
    int32_t Execute(QWidget* owner, Operation operation, bool percent, bool cancelButton,
                    const QString& message);

    // The device link's progress reporter; context is the dialog. Called on the worker.
    static void WaitProgressCallback(void* context, int32_t percent, const char* fileName,
                                     double elapsedSeconds, double estimatedTotalSeconds,
                                     int32_t mode);

    bool CancelRequested() const { return m_cancel.IsRequested(); }
    int32_t Result() const { return m_nResult.load(); }

    // For tests and screenshots.
    QProgressBar* Bar() const { return m_wndProgress; }
    QLabel* MessageLine() const { return m_wndMessage; }
    QPushButton* CancelButton() const { return m_wndCancel; }
    bool IsPercentStyle() const { return m_bPercent; }

    static constexpr int kRange = 100;
    static constexpr int kMarqueeWidth = 450;
    static constexpr int kMarqueeHeight = 200;

public slots:
    // Cancel, Escape and the close box: ask the operation to stop; the dialog stays open
    // until the operation has returned.
    void reject() override;

signals:
    // Emitted on the worker and connected queued: they wake the UI thread, which then takes
    // what the worker left under m_progressLock. They carry nothing themselves, so every
    // value crossing threads does so under a lock of ours.
    void ProgressPosted();
    void WorkerFinished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void LayOutPercentStyle();
    void LayOutMarqueeStyle(QWidget* owner);
    void RunWorker();
    // On the UI thread: shows the latest report, if one is waiting.
    void ShowLatestProgress();
    void OnWorkerFinished();

    // One report of the device link, as the worker received it.
    struct ProgressReport {
        int32_t percent = 0;
        std::string fileName;  // in the system's code page
        double elapsedSeconds = 0;
        double estimatedTotalSeconds = 0;
        int32_t mode = 0;
    };

    QProgressBar* m_wndProgress = nullptr;
    QLabel* m_wndMessage = nullptr;
    QPushButton* m_wndCancel = nullptr;
    std::thread m_hThread;
    CancelRequest& m_cancel;
    bool m_bPercent = true;
    Operation m_pfnOperation;
    QString m_strMessage;
    bool m_bCancelButton = true;
    std::atomic<int32_t> m_nResult{0};
    std::atomic<bool> m_bFillBar{false};  // the operation ended without being cancelled
    // Reports come faster than the window repaints: only the latest waits to be shown.
    std::mutex m_progressLock;
    std::optional<ProgressReport> m_latestProgress;  // guarded by m_progressLock
};

}  // namespace kvd
