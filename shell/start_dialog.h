// The start dialog: the Qt view of a StartPresenter, the small window the user sees for the
// program's whole life. It draws the banner and the mode button, runs the presenter's two
// timers, and opens the transfer window when the presenter asks.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>

#include "controls/layout_rect.h"
#include "shell/start_presenter.h"
#include "shell/ui_poster.h"
#include "transfer/transfer_window.h"

class QLabel;

namespace kvd {

class CCustomButton;
class TransferPrompts;

class CStartDlg : public QDialog, public StartView {
    Q_OBJECT

  public:
    static constexpr QSize kSize = ToQSize(layout::start::kClient);
    using State = StartState;

    // `buttonMode`: what the mode button opens; `prompts` goes to the transfer windows it
    // opens (null: the real boxes and choosers); `finder`: the presenter's search pass.
    explicit CStartDlg(QWidget* parent = nullptr, TransferPrompts* prompts = nullptr,
                       TransferWindowMode buttonMode = ModeGpsLog,
                       DeviceSearch::Finder finder = {});
    ~CStartDlg() override;

    StartPresenter& Presenter() { return m_presenter; }
    State CurrentState() const { return m_presenter.State(); }
    bool IsSearching() const { return m_presenter.IsSearching(); }
    bool IsChecking() const { return m_presenter.IsChecking(); }
    CKVD2730Dlg* TransferWindow() const { return m_pTransferDlg; }

    // The controls, for tests and screenshots.
    CCustomButton* GpsButton() const { return m_btnGps; }
    CCustomButton* UpdateButton() const { return m_btnUpdate; }
    CCustomButton* EndButton() const { return m_btnEnd; }
    QLabel* StatusLine() const { return m_labelStatus; }

  signals:
    void StateChanged(kvd::StartState state);
    // A transfer window was opened (and is about to be shown).
    void TransferWindowOpened(kvd::CKVD2730Dlg* window);

  public slots:
    // End, Escape and the close box: the presenter decides when the dialog ends.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreateControls();
    void CollapseUpdateButton();
    void OnTransferWindowFinished();

    // StartView
    void StartTimer(StartDialogTimer timer, int intervalMs) override;
    void StopTimer(StartDialogTimer timer) override;
    void PostToUi(std::function<void()> task) override;
    void ShowDeviceReady(bool ready) override;
    void ClearStatus() override;
    void OpenTransferWindow(TransferWindowMode mode) override;
    void CloseTransferWindow() override;
    void EndDialog() override;
    void OnStateChanged(StartState state) override;

    TransferPrompts* m_pPrompts;
    QPixmap m_bmpBanner;
    QTimer m_timerIdentify;  // timer 1
    QTimer m_timerCheck;     // timer 2
    UiPoster m_poster{this};
    CKVD2730Dlg* m_pTransferDlg = nullptr;
    CCustomButton* m_btnGps = nullptr;     // 1015
    CCustomButton* m_btnUpdate = nullptr;  // 1016
    CCustomButton* m_btnEnd = nullptr;     // 2
    QLabel* m_labelStatus = nullptr;       // 1024
    // Last: its search thread posts to the members above until it is stopped.
    StartPresenter m_presenter;
};

}  // namespace kvd
