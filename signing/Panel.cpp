#include "Panel.h"

#include <QPainter>

Panel::Panel(QWidget* parent, const QColor& color) : QFrame(parent) {
    setAutoFillBackground(true);
    setColor(color);
}

void Panel::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void Panel::setColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Window, color);
    setPalette(colors);
}

void Panel::setLowered(bool lowered) {
    setFrameStyle(lowered ? QFrame::Panel | QFrame::Sunken : QFrame::NoFrame);
    setLineWidth(1);
}

void Panel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_caption.isEmpty()) return;
    QPainter painter(this);
    painter.drawText(contentsRect(), Qt::AlignCenter, m_caption);
}

void Panel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    emit resized();
}
