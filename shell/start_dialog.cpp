#include "shell/start_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "controls/controls.h"
#include "resources/artwork.h"
#include "shell/catalogue_text.h"
#include "shell/wait_dialog.h"

namespace kvd {

CStartDlg::CStartDlg(QWidget* parent, TransferPrompts* prompts, TransferWindowMode buttonMode,
                     DeviceSearch::Finder finder)
    : QDialog(parent), m_pPrompts(prompts), m_presenter(*this, buttonMode, std::move(finder)) {
    // Modal only over its own windows: the tray icon, an application window too, must take
    // its right click while the dialog runs.
    setWindowModality(Qt::WindowModal);
    setWindowIcon(ProgramIcon());
    setWindowTitle(QStringLiteral("RW-T356 GPS Log"));
    m_bmpBanner = Banner();
    setFixedSize(kSize);
    CreateControls();
    connect(&m_timerIdentify, &QTimer::timeout, this,
            [this] { m_presenter.OnTimer(StartDialogTimer::Identify); });
    connect(&m_timerCheck, &QTimer::timeout, this,
            [this] { m_presenter.OnTimer(StartDialogTimer::Check); });
}

CStartDlg::~CStartDlg() {
    delete m_pTransferDlg;  // only when the dialog is destroyed with the window still open
}

void CStartDlg::CreateControls() {
    QFont dialogFont = font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);

    // The one mode button opens what the presenter was made for, with that mode's text.
    const MessageEntry modeText =
        m_presenter.ButtonMode() == ModeUpdate ? MsgUpdate : MsgGpsLogData;
    m_btnGps = new CCustomButton(this);
    m_btnGps->setGeometry(ToQRect(layout::start::kModeButton));
    m_btnGps->SetTexts(CatalogueText(modeText), CatalogueText(MsgConnecting));
    m_btnUpdate = new CCustomButton(this);
    m_btnUpdate->setGeometry(0, 0, 0, 0);  // never shown
    m_btnUpdate->SetTexts(CatalogueText(MsgUpdate), CatalogueText(MsgConnecting));
    m_btnEnd = new CCustomButton(this);
    m_btnEnd->setGeometry(ToQRect(layout::start::kEndButton));
    m_btnEnd->SetTexts(CatalogueText(MsgEnd), CatalogueText(MsgEnd));
    m_labelStatus = new QLabel(this);
    m_labelStatus->setGeometry(ToQRect(layout::start::kStatus));
    m_labelStatus->setAttribute(Qt::WA_TranslucentBackground);
    m_labelStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labelStatus->setWordWrap(true);

    m_btnGps->setEnabled(false);
    m_btnUpdate->setEnabled(false);
    CollapseUpdateButton();

    connect(m_btnGps, &QPushButton::clicked, this, [this] { m_presenter.OnModeButton(); });
    connect(m_btnEnd, &QPushButton::clicked, this, &CStartDlg::reject);
}

void CStartDlg::CollapseUpdateButton() {
    // The update button never shows; the update mode opens from the mode button.
    m_btnUpdate->setGeometry(0, 0, 0, 0);
    m_btnUpdate->hide();
}

void CStartDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_presenter.OnShown();
}

void CStartDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, 600, 400), Qt::white);
    painter.drawPixmap(QPoint(0, 0), m_bmpBanner, QRect(0, 0, 600, 100));
}

void CStartDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // the dialog has nothing to confirm
        return;
    }
    QDialog::keyPressEvent(event);  // Escape ends the dialog
}

void CStartDlg::reject() { m_presenter.OnEndCommand(); }

void CStartDlg::StartTimer(StartDialogTimer timer, int intervalMs) {
    (timer == StartDialogTimer::Identify ? m_timerIdentify : m_timerCheck).start(intervalMs);
}

void CStartDlg::StopTimer(StartDialogTimer timer) {
    (timer == StartDialogTimer::Identify ? m_timerIdentify : m_timerCheck).stop();
}

void CStartDlg::PostToUi(std::function<void()> task) { m_poster.Post(std::move(task)); }

void CStartDlg::ShowDeviceReady(bool ready) {
    m_btnGps->setEnabled(ready);
    m_btnUpdate->setEnabled(false);
    CollapseUpdateButton();
}

void CStartDlg::ClearStatus() {
    m_labelStatus->clear();
    update();
}

void CStartDlg::OpenTransferWindow(TransferWindowMode mode) {
    m_pTransferDlg = new CKVD2730Dlg(this, mode, &m_presenter, &CWaitDialog::RunModal, m_pPrompts);
    m_presenter.OnTransferWindowOpened(m_pTransferDlg->Presenter());
    connect(m_pTransferDlg, &QDialog::finished, this, &CStartDlg::OnTransferWindowFinished);
    emit TransferWindowOpened(m_pTransferDlg);
    // Modal over this dialog, without a nested event loop: the dialog goes on checking the
    // device meanwhile, and the rest happens when the window has finished.
    m_pTransferDlg->open();
}

void CStartDlg::OnTransferWindowFinished() {
    CKVD2730Dlg* window = m_pTransferDlg;
    if (window == nullptr) return;  // its end was reported already
    m_pTransferDlg = nullptr;
    window->deleteLater();
    m_presenter.OnTransferWindowClosed();
}

void CStartDlg::CloseTransferWindow() {
    if (m_pTransferDlg != nullptr) m_pTransferDlg->reject();
}

void CStartDlg::EndDialog() { QDialog::done(QDialog::Rejected); }

void CStartDlg::OnStateChanged(StartState state) { emit StateChanged(state); }

}  // namespace kvd
