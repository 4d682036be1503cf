#include "Images_form.h"

#include <QListWidget>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

Tform_images* form_images = nullptr;

namespace {

QImage blankScreen() {
    QImage canvas(240, 64, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    return canvas;
}

// Draws the text so that its ink fills the box exactly (corners inclusive): rendered large, cut to its
// ink and scaled down, which keeps the lettering where the screens' hot spots expect it.
void letterInto(QImage& canvas, const QRect& box, const QString& text, QFont::Weight weight) {
    QFont font("Liberation Sans");
    font.setPixelSize(160);
    font.setWeight(weight);
    const QFontMetrics metrics(font);
    QImage large(metrics.horizontalAdvance(text) + 40, metrics.height() + 40, QImage::Format_RGB32);
    large.fill(Qt::white);
    {
        QPainter painter(&large);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(20, 20 + metrics.ascent(), text);
    }
    int left = large.width(), right = -1, top = large.height(), bottom = -1;
    for (int y = 0; y < large.height(); ++y)
        for (int x = 0; x < large.width(); ++x)
            if (qGray(large.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0) return;
    const QImage ink = large.copy(left, top, right - left + 1, bottom - top + 1)
                           .scaled(box.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&canvas);
    painter.drawImage(box.topLeft(), ink);
}

QImage oneBit(const QImage& canvas) {
    return canvas.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
}

QImage signingScreen() {
    QImage canvas = blankScreen();
    {
        QPainter painter(&canvas);
        // The writing box: a frame three pixels wide, outer corners (7, 7) and (187, 56).
        painter.fillRect(QRect(QPoint(7, 7), QPoint(187, 56)), Qt::black);
        painter.fillRect(QRect(QPoint(10, 10), QPoint(184, 53)), Qt::white);
    }
    letterInto(canvas, QRect(QPoint(199, 14), QPoint(227, 21)), "CLEAR", QFont::DemiBold);
    letterInto(canvas, QRect(QPoint(201, 37), QPoint(225, 50)), "OK", QFont::Bold);
    return oneBit(canvas);
}

QImage approvalScreen() {
    QImage canvas = blankScreen();
    {
        QPainter painter(&canvas);
        painter.fillRect(QRect(QPoint(187, 3), QPoint(187, 60)), Qt::black);
    }
    letterInto(canvas, QRect(QPoint(194, 14), QPoint(231, 21)), "CANCEL", QFont::DemiBold);
    letterInto(canvas, QRect(QPoint(201, 37), QPoint(225, 50)), "OK", QFont::Bold);
    return oneBit(canvas);
}

QImage welcomeScreen() {
    QImage canvas = blankScreen();
    letterInto(canvas, QRect(QPoint(13, 27), QPoint(141, 47)), "WELCOME", QFont::Bold);
    QPainter painter(&canvas);
    // A signature pad with a pen resting on it, filling x 151 to 239.
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(152, 12, 80, 42), 6, 6);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRect(158, 18, 54, 22));
    QPainterPath ink(QPointF(162, 34));
    ink.cubicTo(166, 20, 170, 40, 175, 28);
    ink.cubicTo(179, 20, 183, 38, 189, 30);
    ink.cubicTo(193, 25, 198, 34, 206, 27);
    painter.drawPath(ink);
    painter.fillRect(QRect(QPoint(160, 45), QPoint(170, 48)), Qt::black);
    painter.fillRect(QRect(QPoint(174, 45), QPoint(184, 48)), Qt::black);
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(238, 6), QPointF(221, 44));
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(220, 44), QPointF(218, 50));
    painter.end();
    return oneBit(canvas);
}

QImage welcomeTextScreen() {
    QImage canvas = blankScreen();
    letterInto(canvas, QRect(QPoint(55, 14), QPoint(177, 33)), "WELCOME", QFont::Bold);
    return canvas.convertToFormat(QImage::Format_RGB888);
}

} // namespace

Tform_images::Tform_images(QWidget* parent) : QWidget(parent) {
    im_1x5 = signingScreen();
    im_pr1x5 = approvalScreen();
    im_welcomebk = welcomeScreen();
    im_welcome = im_welcomebk;
    im_wel_ng = welcomeTextScreen();
    lb_pos = new QListWidget(this);
    lb_pos->hide();
}
