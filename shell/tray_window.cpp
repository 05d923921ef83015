#include "shell/tray_window.h"

#include <QApplication>
#include <QCursor>
#include <QMessageBox>

#include "resources/artwork.h"
#include "shell/start_dialog.h"

namespace kvd {

CTrayWindow::CTrayWindow(InstanceLock& lock, TransferWindowMode mode, TransferPrompts* prompts)
    : m_pPrompts(prompts), m_session(*this, lock, mode) {
    m_icon.setIcon(ProgramIcon());
    m_icon.setToolTip(QStringLiteral("KVD-2730"));
    // Not set as the icon's context menu: it must stay shut while a chooser is open.
    connect(&m_icon, &QSystemTrayIcon::activated, this, &CTrayWindow::OnIconActivated);
    connect(&m_icon, &QSystemTrayIcon::messageClicked, this,
            [this] { m_session.OnNotificationClicked(); });
}

CTrayWindow::~CTrayWindow() = default;

void CTrayWindow::ShowAlreadyRunning(const std::string& systemText, const std::string& line) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ERROR"),
                    QString::fromStdString(systemText + "\n" + line), QMessageBox::Ok);
    box.exec();
}

void CTrayWindow::ShowIcon(const std::string& exitText) {
    m_menu.clear();
    m_menu.addAction(QString::fromStdString(exitText), this, &CTrayWindow::ExitCommand);
    // Without a tray host the program works all the same, without its icon.
    if (QSystemTrayIcon::isSystemTrayAvailable()) m_icon.show();
}

void CTrayWindow::HideIcon() { m_icon.hide(); }

void CTrayWindow::RunStartDialog(TransferWindowMode mode) {
    CStartDlg dialog(nullptr, m_pPrompts, mode);
    m_pStartDlg = &dialog;
    m_session.OnStartDialogOpened(dialog.Presenter());
    emit StartDialogOpened(&dialog);
    dialog.exec();
    m_session.OnStartDialogClosed();
    m_pStartDlg = nullptr;
}

void CTrayWindow::PostToUi(std::function<void()> task) { m_poster.Post(std::move(task)); }

void CTrayWindow::RaiseWindows() {
    if (m_pStartDlg == nullptr) return;
    // The window on top of the dialog's stack: a progress dialog, the transfer window or
    // the dialog itself.
    QWidget* top = QApplication::activeModalWidget();
    if (top == nullptr) top = m_pStartDlg;
    top->show();
    top->raise();
    top->activateWindow();
}

void CTrayWindow::Quit() { QApplication::quit(); }

bool CTrayWindow::CanNotify() const {
    return m_icon.isVisible() && QSystemTrayIcon::supportsMessages();
}

void CTrayWindow::ShowNotification(const std::string& title, const std::string& text) {
    m_icon.showMessage(QString::fromStdString(title), QString::fromStdString(text),
                       QSystemTrayIcon::Information);
}

void CTrayWindow::OnIconActivated(QSystemTrayIcon::ActivationReason reason) {
    // Only the right button does something; a left click or a double click does not.
    if (reason == QSystemTrayIcon::Context) ShowIconMenu(QCursor::pos());
}

bool CTrayWindow::ShowIconMenu(const QPoint& at) {
    if (!m_session.MayOpenMenu()) return false;
    m_menu.popup(at);
    return true;
}

}  // namespace kvd
