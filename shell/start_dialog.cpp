#include "shell/start_dialog.h"

#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "resources/artwork.h"
#include "shell/catalogue_text.h"
#include "shell/device_watch.h"

namespace kvd {

CStartDlg* g_startDlg = nullptr;

CStartDlg::CStartDlg(QWidget* parent, TransferPrompts* prompts)
    : QDialog(parent), m_pPrompts(prompts) {
    // Modal only over its own windows: the tray icon, an application window too, must take
    // its right click while the dialog runs.
    setWindowModality(Qt::WindowModal);
    setWindowIcon(ProgramIcon());
    setWindowTitle(QStringLiteral("RW-T356 GPS Log"));
    m_bmpBanner = Banner();
    setFixedSize(kSize);
    CreateControls();

    m_timerIdentify.setInterval(kIdentifyIntervalMs);
    m_timerCheck.setInterval(kCheckIntervalMs);
    connect(&m_timerIdentify, &QTimer::timeout, this, &CStartDlg::OnIdentifyTick);
    connect(&m_timerCheck, &QTimer::timeout, this, &CStartDlg::OnCheckTick);
    connect(this, &CStartDlg::DeviceReported, this, &CStartDlg::OnDeviceFound,
            Qt::QueuedConnection);
}

CStartDlg::~CStartDlg() {
    m_search.Stop();
    delete m_pTransferDlg;  // only when the dialog is destroyed with the window still open
}

void CStartDlg::CreateControls() {
    QFont dialogFont = font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);

    m_btnGps = new CCustomButton(this);
    m_btnGps->setGeometry(DialogUnits(84, 57, 66, 20));
    m_btnGps->SetTexts(CatalogueText(MsgGpsLogData), CatalogueText(MsgConnecting));
    m_btnUpdate = new CCustomButton(this);
    m_btnUpdate->setGeometry(DialogUnits(85, 57, 63, 20));
    m_btnUpdate->SetTexts(CatalogueText(MsgUpdate), CatalogueText(MsgConnecting));
    m_btnEnd = new CCustomButton(this);
    m_btnEnd->setGeometry(DialogUnits(177, 102, 50, 14));
    m_btnEnd->SetTexts(CatalogueText(MsgEnd), CatalogueText(MsgEnd));
    m_labelStatus = new QLabel(this);
    m_labelStatus->setGeometry(DialogUnits(7, 97, 160, 27));
    m_labelStatus->setAttribute(Qt::WA_TranslucentBackground);
    m_labelStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labelStatus->setWordWrap(true);

    m_btnGps->setEnabled(false);
    m_btnUpdate->setEnabled(false);
    CollapseUpdateButton();

    connect(m_btnGps, &QPushButton::clicked, this, [this] { OpenTransferWindow(ModeGpsLog); });
    connect(m_btnUpdate, &QPushButton::clicked, this, [this] { OpenTransferWindow(ModeUpdate); });
    connect(m_btnEnd, &QPushButton::clicked, this, &CStartDlg::reject);
}

void CStartDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_bInitialised) return;
    m_bInitialised = true;
    StartSearch();
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

void CStartDlg::SetState(State state) {
    if (m_state == state) return;
    m_state = state;
    emit StateChanged(state);
}

void CStartDlg::ClearStatus() {
    m_labelStatus->clear();
    update();
}

void CStartDlg::CollapseUpdateButton() {
    // This build offers only the GPS logs: the update mode's button never shows.
    m_btnUpdate->setGeometry(0, 0, 0, 0);
    m_btnUpdate->hide();
}

void CStartDlg::StartSearch() {
    if (m_state == State::Ended) return;
    m_timerIdentify.stop();
    m_timerCheck.stop();
    ClearStatus();
    m_btnGps->setEnabled(false);
    m_btnUpdate->setEnabled(false);
    CollapseUpdateButton();
    SetState(State::Searching);
    // The thread only reports; the dialog reacts on its own thread through a queued call,
    // and a report of an earlier search (ended meanwhile) is dropped.
    m_search.Start([this](uint64_t generation) { emit DeviceReported(generation); });
}

void CStartDlg::OnDeviceFound(quint64 generation) {
    if (m_state != State::Searching || generation != m_search.Generation()) return;
    SetState(State::Identifying);
    m_timerIdentify.start();
}

void CStartDlg::OnIdentifyTick() {
    m_timerCheck.stop();
    const bool identified = IdentifyDevice(DevicePortName());
    ClearStatus();
    if (!identified) return;  // timer 1 tries again
    m_btnGps->setEnabled(true);
    m_btnUpdate->setEnabled(false);
    CollapseUpdateButton();
    m_timerIdentify.stop();
    m_timerCheck.start();
    SetState(State::Ready);
}

void CStartDlg::OnCheckTick() {
    // A chooser of the transfer window is open: the user's choice comes first, and the
    // device is looked at again once it has closed.
    if (m_pTransferDlg != nullptr && m_pTransferDlg->IsSelecting()) return;
    if (CheckConnection(DevicePortName(), QDir::currentPath().toStdString())) return;

    m_timerCheck.stop();
    StartSearch();
    if (m_pTransferDlg != nullptr) {
        m_pTransferDlg->CancelOperation();  // one still running stops at its next block
        m_pTransferDlg->reject();
    }
}

void CStartDlg::PauseConnectionCheck() { m_timerCheck.stop(); }

void CStartDlg::ResumeConnectionCheck() {
    if (m_state == State::Ready) m_timerCheck.start();
}

void CStartDlg::OpenTransferWindow(TransferWindowMode mode) {
    if (m_pTransferDlg != nullptr || m_state != State::Ready) return;
    m_pTransferDlg = new CKVD2730Dlg(this, mode, this, m_pPrompts);
    g_transferDlg = m_pTransferDlg;
    connect(m_pTransferDlg, &QDialog::finished, this, &CStartDlg::OnTransferWindowFinished);
    emit TransferWindowOpened(m_pTransferDlg);
    // Modal over this dialog, without a nested event loop: the dialog goes on checking the
    // device meanwhile, and the rest happens when the window has finished.
    m_pTransferDlg->open();
}

void CStartDlg::OnTransferWindowFinished(int) {
    CKVD2730Dlg* window = m_pTransferDlg;
    m_pTransferDlg = nullptr;
    g_transferDlg = nullptr;
    window->deleteLater();
    if (m_bEndRequested) {
        done(QDialog::Rejected);
        return;
    }
    // However it closed, the device is searched for and identified again before the GPS
    // button works again; after a lost connection that has started already.
    if (m_state == State::Ready) StartSearch();
}

void CStartDlg::RequestEnd() {
    if (m_pTransferDlg != nullptr) m_pTransferDlg->CancelOperation();
    reject();
}

void CStartDlg::reject() {
    if (m_pTransferDlg != nullptr) {
        m_bEndRequested = true;  // ends when the transfer window has closed
        return;
    }
    done(QDialog::Rejected);
}

void CStartDlg::done(int result) {
    // Nothing may run after the dialog: the timers stop and the search thread is joined.
    m_timerIdentify.stop();
    m_timerCheck.stop();
    m_search.Stop();
    SetState(State::Ended);
    QDialog::done(result);
}

}  // namespace kvd
