// The progress dialog: the Qt view of a ProgressRun. It shows the run's bar, message and
// caption, forwards Cancel, Escape and the close box, and closes when the run says so.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "shell/progress_run.h"
#include "shell/window_layout.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kvd {

class CWaitDialog : public QDialog, public ProgressView {
    Q_OBJECT

  public:
    CWaitDialog(QWidget* owner, ProgressRun& run);
    ~CWaitDialog() override;
    CWaitDialog(const CWaitDialog&) = delete;
    CWaitDialog& operator=(const CWaitDialog&) = delete;

    // Shows the dialog modally over `owner`, runs `operation` on the run's worker and returns
    // when the operation has returned and the worker has ended.
    void Execute(std::function<void()> operation);
    // The same with a dialog of its own: what a transfer window uses.
    static void RunModal(QWidget* owner, ProgressRun& run, std::function<void()> operation);

    // For tests and screenshots.
    QProgressBar* Bar() const { return m_wndProgress; }
    QLabel* MessageLine() const { return m_wndMessage; }
    QPushButton* CancelButton() const { return m_wndCancel; }
    bool IsPercentStyle() const { return m_run.Style().percent; }

    static constexpr int kMarqueeWidth = layout::progress::kMarqueeWindow.width;
    static constexpr int kMarqueeHeight = layout::progress::kMarqueeWindow.height;

  public slots:
    // Cancel, Escape and the close box: the run decides.
    void reject() override;

  signals:
    // Emitted on the worker, connected queued: the UI thread then asks the run.
    void Woken();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // ProgressView
    void WakeUi() override;
    void ShowReport(int32_t percent, const std::string& message,
                    const std::string& caption) override;
    void ShowMessage(const std::string& message) override;
    void FillBar() override;
    void Close() override;

    void LayOutPercentStyle();
    void LayOutMarqueeStyle(QWidget* owner);

    ProgressRun& m_run;
    QWidget* m_pOwner;
    QProgressBar* m_wndProgress = nullptr;
    QLabel* m_wndMessage = nullptr;
    QPushButton* m_wndCancel = nullptr;
};

}  // namespace kvd
