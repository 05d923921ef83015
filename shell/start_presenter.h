// The start dialog's decisions, without a toolkit: it waits for the device on a search thread,
// identifies it (timer 1), offers the button that opens the transfer window, and checks once
// a second (timer 2) that the device still answers; a lost device stops the transfer window's
// operation, closes it and sends the dialog back to waiting.
//
//   StartPresenter presenter(view);
//   presenter.OnShown();                  // first show: the search starts
//   presenter.OnTimer(StartDialogTimer::Check); // from the view's timers
//   presenter.OnEndCommand();             // End, Escape, the close box
#pragma once

#include <cstdint>
#include <functional>

#include "shell/device_search.h"
#include "transfer/connection_check.h"
#include "transfer/transfer_view.h"

namespace kvd {

class TransferPresenter;

enum class StartState { Searching, Identifying, Ready, Ended };

enum class StartDialogTimer { Identify = 1, Check = 2 };

// What a front end's start dialog does for its presenter. Texts are UTF-8.
class StartView {
  public:
    virtual ~StartView() = default;
    // Timers on the UI thread; each tick calls StartPresenter::OnTimer.
    virtual void StartTimer(StartDialogTimer timer, int intervalMs) = 0;
    virtual void StopTimer(StartDialogTimer timer) = 0;
    // Any thread: runs `task` on the UI thread soon, unless the dialog is gone by then.
    virtual void PostToUi(std::function<void()> task) = 0;
    // The mode button: enabled with its normal text, or disabled with "connecting". The
    // update button stays hidden and disabled in every state.
    virtual void ShowDeviceReady(bool ready) = 0;
    virtual void ClearStatus() = 0;
    // Opens the transfer window modally over the dialog, without waiting for it: the view
    // makes its presenter, hands it to OnTransferWindowOpened, and calls
    // OnTransferWindowClosed once it has closed.
    virtual void OpenTransferWindow(TransferWindowMode mode) = 0;
    // Closes the open transfer window as its Close button does.
    virtual void CloseTransferWindow() = 0;
    // Ends the dialog's modal run.
    virtual void EndDialog() = 0;
    virtual void OnStateChanged(StartState state) { (void)state; }
};

class StartPresenter final : public ConnectionCheck {
  public:
    static constexpr int kIdentifyIntervalMs = 100;  // timer 1
    static constexpr int kCheckIntervalMs = 1000;    // timer 2

    // `buttonMode`: what the dialog's one mode button opens. `finder`: one discovery pass
    // (empty for the port discovery).
    explicit StartPresenter(StartView& view, TransferWindowMode buttonMode = ModeGpsLog,
                            DeviceSearch::Finder finder = {});
    // Stops the search and waits for its thread.
    ~StartPresenter() override;

    // Called with the number of logs the save folder does not hold yet, once each time the
    // device is plugged in and identified, when that number is not 0. Set it only where the
    // desktop can tell the user: the count costs the device one list request.
    void SetNewTripsHook(std::function<void(int count)> hook) { newTrips_ = std::move(hook); }
    bool HasNewTripsHook() const { return static_cast<bool>(newTrips_); }

    void OnShown();
    void OnTimer(StartDialogTimer timer);
    void OnModeButton();
    void OnTransferWindowOpened(TransferPresenter& window);
    void OnTransferWindowClosed();
    // End, Escape and the close box: ends at once, or once the transfer window has closed.
    void OnEndCommand();
    // The tray's exit command: also stops an operation under way in the transfer window.
    void RequestEnd();

    // ConnectionCheck: the transfer window's operations pause and resume timer 2.
    void PauseConnectionCheck() override;
    void ResumeConnectionCheck() override;
    bool ExitRequested() const override { return endRequested_; }

    StartState State() const { return state_; }
    TransferWindowMode ButtonMode() const { return buttonMode_; }
    bool IsSearching() const { return search_.IsSearching(); }
    bool IsChecking() const { return checking_; }
    TransferPresenter* TransferWindow() const { return transfer_; }
    // Whether a chooser of the transfer window is open.
    bool IsSelecting() const;

  private:
    void SetState(StartState state);
    void StartSearch();
    void OnDeviceFound(uint64_t generation);
    void OnIdentifyTick();
    void OnCheckTick();
    void StartChecking();
    void StopChecking();
    void End();
    void AnnounceNewTrips();

    StartView& view_;
    TransferWindowMode buttonMode_;
    DeviceSearch search_;
    StartState state_ = StartState::Searching;
    bool shown_ = false;
    bool endRequested_ = false;
    bool identifying_ = false;
    bool checking_ = false;
    bool windowOpening_ = false;
    TransferPresenter* transfer_ = nullptr;
    std::function<void(int)> newTrips_;
    bool announced_ = false;  // since the device was plugged in
};

}  // namespace kvd
