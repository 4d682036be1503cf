#include "SignatureImage.h"

#include "Wmf.h"
#include "win/Files.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace sigplus {

namespace {

enum class Depth { Mono, Grey, Colour };

// The kinds of file by ImageFileFormat. Each code is a variant of its own, so a request gets a
// different file for each: 0-2 bitmaps of one, eight and 24 bits; 3 and 4 JPEG, greyscale at high
// quality and colour at a smaller size; 5, 6 and 9 TIFF: greyscale LZW, one-bit LZW and one-bit
// uncompressed (the kind that the station compresses itself afterwards); 7 a metafile.
struct Kind {
    int code;
    const char* writerFormat; // nullptr: the metafile
    Depth depth;
    int quality;     // JPEG only
    int compression; // TIFF only: 0 none, 1 LZW
};
const Kind kinds[] = {
    {0, "bmp", Depth::Mono, -1, 0},  {1, "bmp", Depth::Grey, -1, 0},    {2, "bmp", Depth::Colour, -1, 0},
    {3, "jpeg", Depth::Grey, 90, 0}, {4, "jpeg", Depth::Colour, 60, 0}, {5, "tiff", Depth::Grey, -1, 1},
    {6, "tiff", Depth::Mono, -1, 1}, {7, nullptr, Depth::Mono, -1, 0},  {9, "tiff", Depth::Mono, -1, 0},
};

const Kind* kindOf(int code) {
    for (const Kind& kind : kinds)
        if (kind.code == code) return &kind;
    return nullptr;
}

QImage render(const std::vector<std::vector<QPointF>>& lines, const QSize& size, double penWidth, Depth depth) {
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, depth != Depth::Mono);
        painter.setPen(QPen(Qt::black, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const std::vector<QPointF>& line : lines) {
            if (line.size() == 1) {
                painter.drawPoint(line.front());
                continue;
            }
            QPainterPath path(line.front());
            for (size_t i = 1; i < line.size(); ++i)
                path.lineTo(line[i]);
            painter.drawPath(path);
        }
    }
    switch (depth) {
    case Depth::Mono:
        return canvas.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
    case Depth::Grey: {
        QVector<QRgb> greys;
        for (int i = 0; i < 256; ++i)
            greys.append(qRgb(i, i, i));
        return canvas.convertToFormat(QImage::Format_Indexed8, greys);
    }
    case Depth::Colour:
        break;
    }
    return canvas.convertToFormat(QImage::Format_RGB888);
}

} // namespace

double penWidthInPixels(const ImageRequest& request) {
    return std::max(1.0, request.penWidth * request.size.height() / 350.0);
}

std::vector<std::vector<QPointF>> placeStrokes(const std::vector<Stroke>& strokes, const ImageRequest& request) {
    const double width = request.size.width();
    const double height = request.size.height();
    double scaleX = width / std::max(1, request.logicalArea.width());
    double scaleY = height / std::max(1, request.logicalArea.height());
    double offsetX = 0, offsetY = 0, originX = 0, originY = 0;

    if (request.justifyMode == 5) {
        double left = std::numeric_limits<double>::max(), top = left;
        double right = std::numeric_limits<double>::lowest(), bottom = right;
        for (const Stroke& stroke : strokes)
            for (const QPoint& point : stroke) {
                left = std::min(left, double(point.x()));
                right = std::max(right, double(point.x()));
                top = std::min(top, double(point.y()));
                bottom = std::max(bottom, double(point.y()));
            }
        if (left <= right) {
            // Keep the width of the pen free on every side, so that no ink is cut at the edge.
            const double margin = penWidthInPixels(request);
            const double roomX = std::max(1.0, width - 2 * margin);
            const double roomY = std::max(1.0, height - 2 * margin);
            const double scale = std::min(roomX / std::max(1.0, right - left), roomY / std::max(1.0, bottom - top));
            scaleX = scaleY = scale;
            originX = (left + right) / 2;
            originY = (top + bottom) / 2;
            offsetX = width / 2;
            offsetY = height / 2;
        }
    }

    std::vector<std::vector<QPointF>> placed;
    for (const Stroke& stroke : strokes) {
        std::vector<QPointF> line;
        for (const QPoint& point : stroke)
            line.emplace_back(offsetX + (point.x() - originX) * scaleX, offsetY + (point.y() - originY) * scaleY);
        if (!line.empty()) placed.push_back(std::move(line));
    }
    return placed;
}

bool writeSignatureImage(const std::string& windowsPath, const std::vector<Stroke>& strokes,
                         const ImageRequest& request)
{
    const Kind* kind = kindOf(request.fileFormat);
    if (!kind || request.size.width() < 1 || request.size.height() < 1) return false;
    const std::vector<std::vector<QPointF>> lines = placeStrokes(strokes, request);

    QByteArray bytes;
    if (!kind->writerFormat) {
        bytes = polylineMetafile(lines, request.size, static_cast<int>(std::lround(penWidthInPixels(request))));
    } else {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, kind->writerFormat);
        if (kind->quality >= 0)
            writer.setQuality(kind->quality);
        writer.setCompression(kind->compression);
        if (!writer.write(render(lines, request.size, penWidthInPixels(request), kind->depth)))
            return false;
    }
    // Written through the file layer, which follows no link in the file's place and keeps a read-only file.
    std::FILE* file = win::openFile(windowsPath, "wb");
    if (!file)
        return false;
    const bool written =
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), file) == static_cast<size_t>(bytes.size());
    return std::fclose(file) == 0 && written;
}

} // namespace sigplus
