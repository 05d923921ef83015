#include "controls/custom_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kvd {

namespace {

QColor ToQColor(Colour colour) { return {colour.red, colour.green, colour.blue}; }

}  // namespace

CCustomButton::CCustomButton(QWidget* parent) : QPushButton(parent) {
    setMouseTracking(true);  // movement without a pressed button starts the hover wait
    setAutoDefault(false);
    setFlat(true);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(kHoverDelayMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] { SetHover(true); });
}

void CCustomButton::SetTexts(const QString& enabledText, const QString& disabledText) {
    m_strText[0] = enabledText;
    m_strText[1] = disabledText;
    update();
}

CCustomButton::Look CCustomButton::CurrentLook() const {
    return LookOf(isEnabled(), isDown(), m_bHover, hasFocus());
}

QColor CCustomButton::TextColour(Look look) { return ToQColor(ButtonTextColour(look)); }

QColor CCustomButton::FillColour(Look look) { return ToQColor(ButtonFillColour(look)); }

void CCustomButton::paintEvent(QPaintEvent*) {
    const Look look = CurrentLook();
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, FillColour(look));
    if (look == Look::Pressed) {
        // A sunken edge: dark on the top and left only; the other edges keep the fill.
        painter.setPen(ToQColor(kPressedEdgeColour));
        painter.drawLine(area.topLeft(), area.topRight());
        painter.drawLine(area.topLeft(), area.bottomLeft());
    }
    painter.setPen(TextColour(look));
    painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine,
                     look == Look::Disabled ? m_strText[1] : m_strText[0]);
}

void CCustomButton::enterEvent(QEnterEvent* event) {
    if (!m_bHover) m_hoverTimer.start();
    QPushButton::enterEvent(event);
}

void CCustomButton::mouseMoveEvent(QMouseEvent* event) {
    // Moving restarts the wait: the highlight needs the pointer to rest.
    if (!m_bHover) m_hoverTimer.start();
    QPushButton::mouseMoveEvent(event);
}

void CCustomButton::leaveEvent(QEvent* event) {
    m_hoverTimer.stop();
    SetHover(false);
    QPushButton::leaveEvent(event);
}

void CCustomButton::SetHover(bool hover) {
    if (m_bHover == hover) return;
    m_bHover = hover;
    repaint();
}

}  // namespace kvd
