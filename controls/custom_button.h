// A flat push button with a fixed colour scheme, a hover highlight and two texts: one shown
// while it is enabled, one while it is disabled.
#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include "shell/button_look.h"

namespace kvd {

class CCustomButton : public QPushButton {
    Q_OBJECT

  public:
    // The pointer must rest this long on the button before it lights up.
    static constexpr int kHoverDelayMs = kButtonHoverDelayMs;

    using Look = ButtonLook;

    explicit CCustomButton(QWidget* parent = nullptr);

    void SetTexts(const QString& enabledText, const QString& disabledText);
    QString EnabledText() const { return m_strText[0]; }
    QString DisabledText() const { return m_strText[1]; }
    bool IsHovering() const { return m_bHover; }

    // The look it draws now: the first state that applies, in the order of Look.
    Look CurrentLook() const;
    static QColor TextColour(Look look);
    static QColor FillColour(Look look);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void SetHover(bool hover);

    QString m_strText[2];
    bool m_bHover = false;
    QTimer m_hoverTimer;
};

}  // namespace kvd
