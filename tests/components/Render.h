#pragma once

#include <QImage>

#include <QWidget>
#include <ostream>

// What a widget's own painting leaves on a background of a colour no component paints.
inline const QColor Untouched(255, 0, 255);

inline QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Untouched);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline QColor at(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// The smallest rectangle that holds every pixel the widget painted.
inline QRect paintedBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != Untouched) box |= QRect(x, y, 1, 1);
    return box;
}

// Colours in failure messages as #aarrggbb.
inline void PrintTo(const QColor& colour, std::ostream* out) {
    *out << colour.name(QColor::HexArgb).toStdString();
}
