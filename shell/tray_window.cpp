#include "shell/tray_window.h"

#include <QCursor>
#include <QMessageBox>

#include "common/system_text.h"
#include "devicelink/devicelink.h"
#include "resources/artwork.h"
#include "shell/single_instance.h"
#include "shell/start_dialog.h"
#include "transfer/transfer_window.h"

namespace kvd {

CTrayWindow::CTrayWindow(TransferPrompts* prompts) : m_pPrompts(prompts) {
    m_icon.setIcon(ProgramIcon());
    m_icon.setToolTip(QStringLiteral("KVD-2730"));
    // The same word in both languages: the menu was never translated.
    m_menu.addAction(QStringLiteral("終了"), this, &CTrayWindow::ExitCommand);
    // Not set as the icon's context menu: it must stay shut while a chooser is open.
    connect(&m_icon, &QSystemTrayIcon::activated, this, &CTrayWindow::OnIconActivated);
}

CTrayWindow::~CTrayWindow() = default;

int CTrayWindow::Run() {
    SingleInstance instance;
    if (!instance.Acquire()) {
        ShowAlreadyRunning();
        return 0;
    }
    // Without a tray host the program works all the same, without its icon.
    if (QSystemTrayIcon::isSystemTrayAvailable()) m_icon.show();

    {
        CStartDlg dialog(nullptr, m_pPrompts);
        g_startDlg = &dialog;
        dialog.exec();
        g_startDlg = nullptr;
    }
    m_icon.hide();
    return 0;
}

void CTrayWindow::ShowAlreadyRunning() {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("ERROR"),
                    QString::fromStdString(AlreadyExistsText()), QMessageBox::Ok);
    box.exec();
}

void CTrayWindow::OnIconActivated(QSystemTrayIcon::ActivationReason reason) {
    // Only the right button does something; a left click or a double click does not.
    if (reason == QSystemTrayIcon::Context) ShowIconMenu(QCursor::pos());
}

bool CTrayWindow::ShowIconMenu(const QPoint& at) {
    if (g_transferDlg != nullptr && g_transferDlg->IsSelecting()) return false;
    m_menu.popup(at);
    return true;
}

void CTrayWindow::ExitCommand() {
    if (g_startDlg != nullptr) g_startDlg->RequestEnd();
}

}  // namespace kvd
