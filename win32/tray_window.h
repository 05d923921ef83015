// The hidden tray window: the Windows view of the DesktopSession. It carries the program's
// icon in the notification area with its one-item menu, runs the start dialog for the
// program's whole life, and brings it to the front when a second copy starts.
#pragma once

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <string>

#include "shell/desktop_session.h"
#include "win32/ui_queue.h"

namespace kvd::win32 {

class StartDialog;

class TrayWindow final : public SessionView {
  public:
    TrayWindow(InstanceLock& lock, TransferWindowMode mode);
    ~TrayWindow() override;

    // The whole run; returns the program's exit status.
    int Run();

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool AddIcon();
    void ShowIconMenu();

    // SessionView
    void ShowAlreadyRunning(const std::string& systemText, const std::string& line) override;
    void ShowIcon(const std::string& exitText) override;
    void HideIcon() override;
    void RunStartDialog(TransferWindowMode mode) override;
    void PostToUi(std::function<void()> task) override;
    void RaiseWindows() override;
    void Quit() override;
    bool CanNotify() const override;
    void ShowNotification(const std::string& title, const std::string& text) override;

    HWND window_ = nullptr;
    UiQueue queue_;
    NOTIFYICONDATAW icon_{};
    bool iconShown_ = false;
    std::wstring exitText_;
    StartDialog* startDialog_ = nullptr;
    UINT taskbarCreated_ = 0;  // the shell restarted: the icon must be added again
    UINT secondStart_ = 0;     // another copy started
    DesktopSession session_;
};

}  // namespace kvd::win32
