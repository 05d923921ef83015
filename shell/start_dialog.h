// The start dialog: the small window the user sees for the program's whole life. It waits for
// the device on a search thread, identifies it, offers the button that opens the transfer
// window, and checks once a second that the device still answers; a lost device closes the
// transfer window and sends the dialog back to waiting.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <cstdint>

#include "shell/device_search.h"
#include "transfer/connection_check.h"
#include "transfer/transfer_window.h"

class QLabel;

namespace kvd {

class CCustomButton;
class TransferPrompts;

class CStartDlg : public QDialog, public ConnectionCheck {
    Q_OBJECT

  public:
    static constexpr QSize kSize{360, 230};
    static constexpr int kIdentifyIntervalMs = 100;  // timer 1
    static constexpr int kCheckIntervalMs = 1000;    // timer 2

    enum class State { Searching, Identifying, Ready, Ended };
    Q_ENUM(State)

    // `prompts` goes to the transfer windows it opens (null: the real boxes and choosers).
    explicit CStartDlg(QWidget* parent = nullptr, TransferPrompts* prompts = nullptr);
    // Stops the search and waits for its thread.
    ~CStartDlg() override;

    // The transfer window's operations stop the connection check and start it again.
    void PauseConnectionCheck() override;
    void ResumeConnectionCheck() override;
    bool ExitRequested() const override { return m_bEndRequested; }

    // The tray's exit command: ends the dialog at once, or as soon as an open transfer window
    // has closed; an operation under way there is cancelled.
    void RequestEnd();

    State CurrentState() const { return m_state; }
    bool IsSearching() const { return m_search.IsSearching(); }
    bool IsChecking() const { return m_timerCheck.isActive(); }
    CKVD2730Dlg* TransferWindow() const { return m_pTransferDlg; }

    // The controls, for tests and screenshots.
    CCustomButton* GpsButton() const { return m_btnGps; }
    CCustomButton* UpdateButton() const { return m_btnUpdate; }
    CCustomButton* EndButton() const { return m_btnEnd; }
    QLabel* StatusLine() const { return m_labelStatus; }

  signals:
    void StateChanged(kvd::CStartDlg::State state);
    // A transfer window was opened (and is about to be shown).
    void TransferWindowOpened(kvd::CKVD2730Dlg* window);
    // Emitted on the search thread; reaches OnDeviceFound on the dialog's thread, queued.
    void DeviceReported(quint64 generation);

  public slots:
    // End, Escape and the close box. With a transfer window open the dialog ends once the
    // window has closed.
    void reject() override;
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreateControls();
    void SetState(State state);
    void ClearStatus();
    void CollapseUpdateButton();

    void StartSearch();
    void OnDeviceFound(quint64 generation);
    void OnIdentifyTick();
    void OnCheckTick();

    void OpenTransferWindow(TransferWindowMode mode);
    void OnTransferWindowFinished(int result);

    TransferPrompts* m_pPrompts;
    State m_state = State::Searching;
    bool m_bInitialised = false;
    bool m_bEndRequested = false;
    QPixmap m_bmpBanner;
    DeviceSearch m_search;
    QTimer m_timerIdentify;  // timer 1
    QTimer m_timerCheck;     // timer 2
    CKVD2730Dlg* m_pTransferDlg = nullptr;

    CCustomButton* m_btnGps = nullptr;     // 1015
    CCustomButton* m_btnUpdate = nullptr;  // 1016
    CCustomButton* m_btnEnd = nullptr;     // 2
    QLabel* m_labelStatus = nullptr;       // 1024
};

// The running start dialog, or null.
extern CStartDlg* g_startDlg;

}  // namespace kvd
