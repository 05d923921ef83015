#include "controls/custom_button.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kvd {

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
    if (!isEnabled()) return Look::Disabled;
    if (isDown()) return Look::Pressed;
    if (m_bHover) return Look::Hover;
    if (hasFocus()) return Look::Focus;
    return Look::Normal;
}

QColor CCustomButton::TextColour(Look look) {
    switch (look) {
        case Look::Disabled:
            return {165, 165, 165};
        case Look::Pressed:
            return {0, 0, 0};
        case Look::Hover:
            return {245, 245, 245};
        case Look::Focus:
        case Look::Normal:
            break;
    }
    return {255, 255, 255};
}

QColor CCustomButton::FillColour(Look look) {
    switch (look) {
        case Look::Disabled:
            return {236, 236, 236};
        case Look::Pressed:
            return {255, 175, 175};
        case Look::Hover:
            return {0, 154, 154};
        case Look::Focus:
            return {34, 34, 34};
        case Look::Normal:
            break;
    }
    return {101, 101, 101};
}

void CCustomButton::paintEvent(QPaintEvent*) {
    const Look look = CurrentLook();
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, FillColour(look));
    if (look == Look::Pressed) {
        // A sunken edge: dark on the top and left only; the other edges keep the fill.
        painter.setPen(QColor(160, 160, 160));
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
