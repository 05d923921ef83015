// The tray window: the Qt view of the DesktopSession. An invisible object that carries the
// program's icon in the notification area, offers the icon's one-item menu with the exit
// command, and runs the start dialog for the program's whole life.
#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include "shell/desktop_session.h"
#include "shell/ui_poster.h"

namespace kvd {

class CStartDlg;
class TransferPrompts;

class CTrayWindow : public QObject, public SessionView {
    Q_OBJECT

  public:
    // `prompts` goes to the transfer windows (null: the real boxes and choosers); `mode` is
    // what the start dialog's button opens; `lock` is the single-instance rule.
    CTrayWindow(InstanceLock& lock, TransferWindowMode mode = ModeGpsLog,
                TransferPrompts* prompts = nullptr);
    ~CTrayWindow() override;

    // The whole run; returns the program's exit status.
    int Run() { return m_session.Run(); }
    // The exit command of the icon's menu.
    void ExitCommand() { m_session.ExitCommand(); }
    // The right button on the icon; returns whether the menu was shown.
    bool ShowIconMenu(const QPoint& at);

    DesktopSession& Session() { return m_session; }
    CStartDlg* StartDialog() const { return m_pStartDlg; }
    QSystemTrayIcon& Icon() { return m_icon; }
    QMenu& IconMenu() { return m_menu; }

  signals:
    // The start dialog is about to run (for tests).
    void StartDialogOpened(kvd::CStartDlg* dialog);

  private:
    void OnIconActivated(QSystemTrayIcon::ActivationReason reason);

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

    TransferPrompts* m_pPrompts;
    QSystemTrayIcon m_icon;
    QMenu m_menu;
    UiPoster m_poster{this};
    CStartDlg* m_pStartDlg = nullptr;
    DesktopSession m_session;
};

}  // namespace kvd
