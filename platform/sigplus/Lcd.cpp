#include "Lcd.h"

#include "ui/AnsiText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace sigplus {

namespace {

const QRect glass(0, 0, Lcd::Width, Lcd::Height);

void registerFaces() {
    static const bool done = [] {
        QFont::insertSubstitution("Arial", "Liberation Sans");
        QFont::insertSubstitution("Arial Monospaced", "Liberation Mono");
        return true;
    }();
    (void)done;
}

// A picture painted on white, so that any depth and any alpha come out as plain grey levels.
QImage onWhite(const QImage& picture, const QSize& size) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, picture);
    return canvas;
}

} // namespace

Lcd::Lcd() : m_screen(Width * Height, 0), m_background(Width * Height, 0) {
    registerFaces();
    setFont(18, 400, "Arial");
}

std::vector<unsigned char>& Lcd::plane(int destination) {
    return destination == Background ? m_background : m_screen;
}

void Lcd::set(std::vector<unsigned char>& pixels, int x, int y, bool on) {
    if (x >= 0 && x < Width && y >= 0 && y < Height) pixels[y * Width + x] = on ? 1 : 0;
}

bool Lcd::lit(int x, int y) const {
    return x >= 0 && x < Width && y >= 0 && y < Height && m_screen[y * Width + x];
}

bool Lcd::backgroundLit(int x, int y) const {
    return x >= 0 && x < Width && y >= 0 && y < Height && m_background[y * Width + x];
}

void Lcd::writeBitmap(int destination, const QRect& area, const QImage& picture) {
    const QRect target = area.intersected(glass);
    if (target.isEmpty() || picture.isNull()) return;
    const QImage grey = onWhite(picture, area.size());
    std::vector<unsigned char>& pixels = plane(destination);
    for (int y = target.top(); y <= target.bottom(); ++y)
        for (int x = target.left(); x <= target.right(); ++x)
            set(pixels, x, y, qGray(grey.pixel(x - area.left(), y - area.top())) < 128);
}

void Lcd::refresh(int mode, const QRect& area) {
    const QRect target = area.intersected(glass);
    if (target.isEmpty()) return;
    for (int y = target.top(); y <= target.bottom(); ++y)
        for (int x = target.left(); x <= target.right(); ++x) {
            unsigned char& pixel = m_screen[y * Width + x];
            switch (mode) {
            case 0:
                pixel = 0;
                break;
            case 1:
                pixel = pixel ? 0 : 1;
                break;
            case 2:
                pixel = m_background[y * Width + x];
                break;
            default:
                return;
            }
        }
}

void Lcd::setFont(int height, int weight, const std::string& face) {
    QFont font(ui::fromAnsi(face));
    // The platform's font height is the whole cell, ascent and descent together, not the em size.
    font.setPixelSize(100);
    const QFontMetricsF reference(font);
    const double cell = reference.ascent() + reference.descent();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(std::abs(height) * 100.0 / cell))));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight == 0 ? 400 : weight, 1, 1000)));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    m_font = font;
}

void Lcd::writeString(int destination, int x, int y, const std::string& text) {
    QImage canvas(Width, Height, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setFont(m_font);
        painter.setPen(Qt::black);
        const QFontMetrics metrics(m_font);
        painter.drawText(x, y + metrics.ascent(), ui::fromAnsi(text));
    }
    std::vector<unsigned char>& pixels = plane(destination);
    for (int py = 0; py < Height; ++py)
        for (int px = 0; px < Width; ++px)
            if (qGray(canvas.pixel(px, py)) < 128) set(pixels, px, py, true);
}

void Lcd::drawInk(const QPointF& from, const QPointF& to, const QRect& window) {
    const QRect clip = window.intersected(glass);
    if (clip.isEmpty()) return;
    // Small steps along the segment light every pixel the pen passes over.
    const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
    const int steps = std::max(1, static_cast<int>(std::ceil(length * 2)));
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const int x = static_cast<int>(std::floor(from.x() + (to.x() - from.x()) * t));
        const int y = static_cast<int>(std::floor(from.y() + (to.y() - from.y()) * t));
        if (clip.contains(x, y)) m_screen[y * Width + x] = 1;
    }
}

QImage Lcd::image() const {
    QImage picture(Width, Height, QImage::Format_Mono);
    picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            picture.setPixel(x, y, m_screen[y * Width + x]);
    return picture;
}

} // namespace sigplus
