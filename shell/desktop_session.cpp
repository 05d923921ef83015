#include "shell/desktop_session.h"

#include "common/system_text.h"
#include "shell/desktop_texts.h"

namespace kvd {

DesktopSession::DesktopSession(SessionView& view, InstanceLock& lock, TransferWindowMode mode)
    : view_(view), lock_(lock), mode_(mode) {}

int DesktopSession::Run() {
    if (!lock_.Acquire()) {
        lock_.NotifyRunningCopy();
        view_.ShowAlreadyRunning(AlreadyExistsText(), std::string(Say(kTextAlreadyRunning)));
        return 0;
    }
    {
        const std::lock_guard<std::mutex> guard(secondStarts_->lock);
        secondStarts_->view = &view_;
    }
    lock_.ListenForSecondStart([secondStarts = secondStarts_] {
        const std::lock_guard<std::mutex> guard(secondStarts->lock);
        if (SessionView* view = secondStarts->view)
            view->PostToUi([view] { view->RaiseWindows(); });
    });
    view_.ShowIcon(std::string(Say(kTextExitCommand)));
    view_.RunStartDialog(mode_);
    view_.HideIcon();
    {
        // From now on a second start finds the lock and nothing else: the view may go.
        const std::lock_guard<std::mutex> guard(secondStarts_->lock);
        secondStarts_->view = nullptr;
    }
    return 0;
}

void DesktopSession::ExitCommand() {
    if (startDialog_ != nullptr)
        startDialog_->RequestEnd();
    else
        view_.Quit();
}

void DesktopSession::OnStartDialogOpened(StartPresenter& dialog) {
    startDialog_ = &dialog;
    if (!view_.CanNotify()) return;
    dialog.SetNewTripsHook([this](int count) {
        view_.ShowNotification("KVD-2730", NewTripsText(count, g_userLangId));
    });
}

void DesktopSession::OnNotificationClicked() {
    if (startDialog_ != nullptr) startDialog_->OnModeButton();
}

bool DesktopSession::MayOpenMenu() const {
    return startDialog_ == nullptr || !startDialog_->IsSelecting();
}

}  // namespace kvd
