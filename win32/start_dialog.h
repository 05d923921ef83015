// The start dialog: the Windows view of a StartPresenter. It waits for the device, offers
// the button that opens the transfer window, and ends the program when it ends.
#pragma once

#include <windows.h>

#include <memory>

#include "shell/start_presenter.h"
#include "win32/dialog_window.h"
#include "win32/transfer_window.h"
#include "win32/ui_queue.h"

namespace kvd::win32 {

class StartDialog final : public DialogWindow, public StartView {
  public:
    explicit StartDialog(TransferWindowMode buttonMode);
    ~StartDialog() override;

    // Makes and shows the dialog; false when it could not be made.
    bool Open();
    bool Ended() const { return ended_; }

    StartPresenter& Presenter() { return presenter_; }
    // The transfer window while one is open.
    TransferWindow* OpenTransferWindowView() const { return transfer_.get(); }

    // The state, for the test hook's report.
    static const char* StateName(StartState state);

  private:
    void OnInit() override;
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayOut(UINT dpi);
    void OnTransferWindowEnded();

    // StartView
    void StartTimer(StartDialogTimer timer, int intervalMs) override;
    void StopTimer(StartDialogTimer timer) override;
    void PostToUi(std::function<void()> task) override;
    void ShowDeviceReady(bool ready) override;
    void ClearStatus() override;
    void OpenTransferWindow(TransferWindowMode mode) override;
    void CloseTransferWindow() override;
    void EndDialog() override;

    UiQueue queue_;  // before the presenter, whose search thread posts to it until it stops
    HBITMAP banner_ = nullptr;
    UINT dpi_ = 96;
    bool ended_ = false;
    std::unique_ptr<TransferWindow> transfer_;
    StartPresenter presenter_;
};

}  // namespace kvd::win32
