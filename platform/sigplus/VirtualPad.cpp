#include "VirtualPad.h"

#include "Lcd.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QPainter>

namespace sigplus {

namespace {
const QColor glass(196, 208, 176);
const QColor ink(24, 28, 40);
} // namespace

VirtualPad::VirtualPad(const Lcd& lcd, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_lcd(lcd) {
    setFixedSize(Lcd::Width * Scale, Lcd::Height * Scale);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The pad stands in the lower right corner, clear of the signing window's instructions and buttons.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 24, area.bottom() - height() - 48);
    }
}

void VirtualPad::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), glass);
    for (int y = 0; y < Lcd::Height; ++y)
        for (int x = 0; x < Lcd::Width; ++x)
            if (m_lcd.lit(x, y)) painter.fillRect(x * Scale, y * Scale, Scale, Scale, ink);
}

void VirtualPad::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_penDown = true;
    emit penPressed(lcdPoint(event->position()));
}

void VirtualPad::mouseMoveEvent(QMouseEvent* event) {
    if (m_penDown && (event->buttons() & Qt::LeftButton)) emit penMoved(lcdPoint(event->position()));
}

void VirtualPad::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_penDown) return;
    m_penDown = false;
    emit penReleased();
}

} // namespace sigplus
