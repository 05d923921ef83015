// The desktop program's run, without a toolkit: one copy per user, the icon in the
// notification area, the start dialog for the program's whole life, and the icon's exit
// command, whatever window is open at the time. No global holds a window.
//
//   DesktopSession session(view, lock);
//   return session.Run();
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "shell/instance_lock.h"
#include "shell/start_presenter.h"

namespace kvd {

// What a front end's tray window does for the session. Texts are UTF-8.
class SessionView {
  public:
    virtual ~SessionView() = default;
    // The "ERROR" box of a second copy: the system's own text, then our line.
    virtual void ShowAlreadyRunning(const std::string& systemText, const std::string& line) = 0;
    // The icon with its tip and its one-item menu (`exitText`); without a tray host the
    // program goes on without it.
    virtual void ShowIcon(const std::string& exitText) = 0;
    virtual void HideIcon() = 0;
    // Runs the start dialog modally, its button opening `mode`; the view hands the dialog's
    // presenter to OnStartDialogOpened and calls OnStartDialogClosed when it has ended.
    virtual void RunStartDialog(TransferWindowMode mode) = 0;
    // Any thread: runs `task` on the UI thread soon.
    virtual void PostToUi(std::function<void()> task) = 0;
    // Brings the start dialog (or the window over it) to the front.
    virtual void RaiseWindows() = 0;
    // Ends the program's event loop when no dialog runs it.
    virtual void Quit() = 0;
    // Whether the desktop shows notifications from the icon; false where it has no service.
    virtual bool CanNotify() const = 0;
    // A notification from the icon; clicking it calls DesktopSession::OnNotificationClicked.
    virtual void ShowNotification(const std::string& title, const std::string& text) = 0;
};

class DesktopSession {
  public:
    DesktopSession(SessionView& view, InstanceLock& lock, TransferWindowMode mode = ModeGpsLog);

    // The whole run; returns the program's exit status. A second copy shows the "ERROR" box,
    // asks the first to come to the front and returns without a dialog or an icon.
    int Run();

    // The icon's exit command: ends the start dialog at once; with the transfer window open,
    // once it has closed (an operation under way there is stopped first); with no start
    // dialog, the program itself.
    void ExitCommand();
    // No menu while a chooser of the transfer window is open.
    bool MayOpenMenu() const;

    // Where the desktop can tell, the dialog announces the logs the save folder lacks.
    void OnStartDialogOpened(StartPresenter& dialog);
    // The notification of new trips opens the transfer window.
    void OnNotificationClicked();
    void OnStartDialogClosed() { startDialog_ = nullptr; }
    StartPresenter* StartDialog() const { return startDialog_; }

  private:
    // What the lock's listening thread reaches: the view, only while Run() runs. The lock
    // goes on listening after the run and may outlive the session and its view.
    struct SecondStarts {
        std::mutex lock;
        SessionView* view = nullptr;  // guarded by lock
    };

    SessionView& view_;
    InstanceLock& lock_;
    std::shared_ptr<SecondStarts> secondStarts_ = std::make_shared<SecondStarts>();
    TransferWindowMode mode_;
    StartPresenter* startDialog_ = nullptr;
};

}  // namespace kvd
