// The tray window: an invisible object that carries the program's icon in the notification
// area, offers the icon's one-item menu with the exit command, and holds the whole run of the
// program: the single-instance rule, then the start dialog, then the orderly end.
#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace kvd {

class TransferPrompts;

class CTrayWindow : public QObject {
    Q_OBJECT

  public:
    // `prompts` goes to the transfer windows (null: the real boxes and choosers).
    explicit CTrayWindow(TransferPrompts* prompts = nullptr);
    ~CTrayWindow() override;

    // The whole run; returns the program's exit status. A second copy shows the "ERROR" box
    // and returns without a start dialog or an icon.
    int Run();

    // "終了": asks a running transfer to stop and ends the start dialog (at once, or when
    // the transfer window has closed).
    void ExitCommand();

    // The right button on the icon. No menu while a chooser of the transfer window is open;
    // returns whether the menu was shown.
    bool ShowIconMenu(const QPoint& at);

    QSystemTrayIcon& Icon() { return m_icon; }
    QMenu& IconMenu() { return m_menu; }

  private:
    void OnIconActivated(QSystemTrayIcon::ActivationReason reason);
    void ShowAlreadyRunning();

    TransferPrompts* m_pPrompts;
    QSystemTrayIcon m_icon;
    QMenu m_menu;
};

}  // namespace kvd
