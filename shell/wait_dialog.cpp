#include "shell/wait_dialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "controls/layout_rect.h"

namespace kvd {

CWaitDialog::CWaitDialog(QWidget* owner, ProgressRun& run)
    : QDialog(owner), m_run(run), m_pOwner(owner) {
    // Modal over its owner's windows only: the tray icon's exit must stay reachable.
    setWindowModality(Qt::WindowModal);
    const QString starting = QString::fromStdString(ProgressRun::StartingText());
    setWindowTitle(starting);
    m_wndMessage = new QLabel(starting, this);
    m_wndMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_wndMessage->setWordWrap(true);
    m_wndProgress = new QProgressBar(this);
    m_wndProgress->setTextVisible(false);
    m_wndCancel = new QPushButton(QString::fromStdString(ProgressRun::CancelText()), this);
    // Enter must not press Cancel: nothing in this window is a default button.
    m_wndCancel->setAutoDefault(false);
    m_wndCancel->setDefault(false);
    connect(m_wndCancel, &QPushButton::clicked, this, &CWaitDialog::reject);
    connect(
        this, &CWaitDialog::Woken, this, [this] { m_run.OnWake(); }, Qt::QueuedConnection);
    if (m_run.Style().percent)
        LayOutPercentStyle();
    else
        LayOutMarqueeStyle(owner);
}

CWaitDialog::~CWaitDialog() { m_run.Join(); }

void CWaitDialog::Execute(std::function<void()> operation) {
    // The run's last wake-up arrives as a queued call, so it is handled by the loop of exec()
    // even when the operation returns before that loop has started.
    m_run.Start(*this, std::move(operation));
    exec();
    m_run.Join();
}

void CWaitDialog::RunModal(QWidget* owner, ProgressRun& run, std::function<void()> operation) {
    CWaitDialog dialog(owner, run);
    dialog.Execute(std::move(operation));
}

void CWaitDialog::LayOutPercentStyle() {
    setFixedSize(ToQSize(layout::progress::kPercentClient));
    m_wndMessage->setGeometry(ToQRect(layout::progress::kPercentMessage));
    m_wndProgress->setGeometry(ToQRect(layout::progress::kPercentBar));
    m_wndProgress->setRange(0, ProgressRun::kRange);
    m_wndProgress->setValue(0);
    m_wndCancel->setGeometry(ToQRect(layout::progress::kPercentCancel));
    m_wndCancel->show();
}

void CWaitDialog::LayOutMarqueeStyle(QWidget* owner) {
    // No caption, so no close box: only Escape (and Cancel, when shown) reach reject().
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint);
    QRect area(0, 0, kMarqueeWidth, kMarqueeHeight);
    if (owner != nullptr) {
        const QRect frame = owner->frameGeometry();
        area.moveTopLeft({frame.left() + (frame.width() - kMarqueeWidth) / 2,
                          frame.top() + (frame.height() - kMarqueeHeight) / 2});
    }
    setFixedSize(area.size());
    move(area.topLeft());
    m_wndCancel->setGeometry(ToQRect(layout::progress::kMarqueeCancel));
    m_wndMessage->setGeometry(ToQRect(layout::progress::kMarqueeMessage));
    m_wndMessage->setWordWrap(false);
    m_wndProgress->setGeometry(ToQRect(layout::progress::kMarqueeBar));
    m_wndProgress->setRange(0, 0);  // endless
    m_wndMessage->setText(QString::fromStdString(m_run.Style().message));
    m_wndCancel->setVisible(m_run.Style().cancellable);
}

void CWaitDialog::WakeUi() { emit Woken(); }

void CWaitDialog::ShowReport(int32_t percent, const std::string& message,
                             const std::string& caption) {
    m_wndProgress->setValue(percent);
    m_wndMessage->setText(QString::fromStdString(message));
    setWindowTitle(QString::fromStdString(caption));
}

void CWaitDialog::ShowMessage(const std::string& message) {
    m_wndMessage->setText(QString::fromStdString(message));
}

void CWaitDialog::FillBar() { m_wndProgress->setValue(ProgressRun::kRange); }

void CWaitDialog::Close() { done(QDialog::Rejected); }

void CWaitDialog::reject() { m_run.OnCancel(); }

void CWaitDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // Enter does nothing here
        return;
    }
    QDialog::keyPressEvent(event);  // Escape calls reject()
}

void CWaitDialog::closeEvent(QCloseEvent* event) {
    event->ignore();  // the window closes only when the operation has returned
    reject();
}

}  // namespace kvd
