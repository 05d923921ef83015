#include "transfer/transfer_prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace kvd {
namespace {

// Qt's own chooser on every platform: its name filters ignore case, so "*.FPT" also
// offers "track.fpt" where the file system itself tells case apart.
constexpr QFileDialog::Options kChooserOptions = QFileDialog::DontUseNativeDialog;

}  // namespace

void DesktopPrompts::ShowMessage(QWidget* owner, const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Message"), text, QMessageBox::Ok, owner);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    box.setWindowModality(Qt::WindowModal);  // the tray icon's exit stays reachable
    box.exec();
}

bool DesktopPrompts::ShowMessageOffering(QWidget* owner, const QString& text, const QString& detail,
                                         const QString& offer) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Message"), text, QMessageBox::Ok, owner);
    QPushButton* offerButton = box.addButton(offer, QMessageBox::ActionRole);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::WindowModal);  // the tray icon's exit stays reachable
    box.exec();
    return box.clickedButton() == offerButton;
}

void DesktopPrompts::OpenFolder(const QString& folder) {
    // The desktop's own file manager: xdg-open on Linux, the shell on Windows.
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

bool DesktopPrompts::Ask(QWidget* owner, const QString& text, const QString& yes,
                         const QString& no) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Message"), text, QMessageBox::NoButton,
                    owner);
    QPushButton* yesButton = box.addButton(yes, QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(no, QMessageBox::RejectRole));  // the safe choice
    box.setWindowModality(Qt::WindowModal);
    box.exec();
    return box.clickedButton() == yesButton;
}

std::optional<QString> DesktopPrompts::ChooseFolder(QWidget* owner, const QString& title,
                                                    const QString& startFolder) {
    const QString folder = QFileDialog::getExistingDirectory(
        owner, title, startFolder, kChooserOptions | QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

std::optional<QString> DesktopPrompts::ChooseFile(QWidget* owner, const QString& filter,
                                                  const QString& startFolder) {
    const QString file = QFileDialog::getOpenFileName(owner, QString(), startFolder, filter,
                                                      nullptr, kChooserOptions);
    if (file.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(file);
}

}  // namespace kvd
