#pragma once

// Small WMF and EMF files built record by record, and the ways the tests look at what they draw.

#include "AniFixture.h"
#include "Render.h"
#include "components/AdvPicture.h"
#include "components/Metafile.h"
#include "components/PictureService.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

// Little-endian fields, as the animated-cursor files write them.
using ani::put16;
using ani::put32;

constexpr std::uint32_t Blue = 0xFF0000, Red = 0x0000FF, Green = 0x00FF00; // COLORREF: red in the low byte

// Small placeable WMF files: 16-bit parameters, given as the records store them.
namespace wmf {

inline QByteArray record(std::uint16_t function, const std::vector<int>& parameters)
{
    QByteArray out;
    put32(out, static_cast<std::uint32_t>(3 + parameters.size()));
    put16(out, function);
    for (int parameter : parameters)
        put16(out, static_cast<std::uint32_t>(parameter));
    return out;
}

inline std::vector<int> colour(std::uint32_t ref) { return {int(ref & 0xFFFF), int(ref >> 16)}; }

inline std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A drawing of 1000 by 500 units at 1000 to the inch: 96 by 48 pixels.
inline QByteArray file(const std::vector<QByteArray>& records)
{
    QByteArray body;
    for (const QByteArray& r : records)
        body += r;
    body += record(0, {});
    QByteArray out;
    put32(out, 0x9AC6CDD7);
    put16(out, 0);
    for (int field : {0, 0, 1000, 500, 1000})
        put16(out, field);
    put32(out, 0);
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= std::uint16_t(std::uint8_t(out[2 * i]) | (std::uint8_t(out[2 * i + 1]) << 8));
    put16(out, checksum);
    put16(out, 1);
    put16(out, 9);
    put16(out, 0x300);
    put32(out, static_cast<std::uint32_t>((18 + body.size()) / 2));
    put16(out, 8);
    put32(out, 16);
    put16(out, 0);
    return out + body;
}

// A blue square of 300 units at (100, 100) without outline, a thick red line and green letters.
inline std::vector<QByteArray> drawing()
{
    return {
        record(0x02FC, std::vector<int>{0} + colour(Blue) + std::vector<int>{0}), // brush, object 0
        record(0x02FA, std::vector<int>{5, 0, 0} + colour(0)),                    // null pen, object 1
        record(0x012D, {0}),
        record(0x012D, {1}),
        record(0x0324, {4, 100, 100, 400, 100, 400, 400, 100, 400}),
        record(0x02FA, std::vector<int>{0, 40, 0} + colour(Red)), // object 2
        record(0x012D, {2}),
        record(0x0325, {2, 500, 250, 900, 250}),
        record(0x02FB, std::vector<int>{-200, 0, 0, 0, 700, 0, 0, 0, 0} + std::vector<int>(16, 0)), // font, object 3
        record(0x012D, {3}),
        record(0x0209, colour(Green)),
        record(0x0102, {1}),
        record(0x0521, {2, 'W' | ('W' << 8), 300, 550}),
    };
}

// A record whose parameters end in a block of bytes (a bitmap).
inline QByteArray record(std::uint16_t function, const std::vector<int>& parameters, const QByteArray& tail)
{
    QByteArray out = record(function, parameters) + tail;
    if (out.size() % 2)
        out += '\0';
    out.replace(0, 4, QByteArray());
    QByteArray size;
    put32(size, static_cast<std::uint32_t>((out.size() + 4) / 2));
    return size + out;
}

// CREATEFONTINDIRECT: a height, an escapement in tenths of a degree, a charset and a face.
inline QByteArray font(int height, int escapement, int charset, const char* face)
{
    std::vector<int> fields = {height, 0, escapement, escapement, 400, 0, charset << 8, 0, 0};
    QByteArray name(face);
    name.resize(32, '\0');
    for (int i = 0; i < 32; i += 2)
        fields.push_back(std::uint8_t(name[i]) | (std::uint8_t(name[i + 1]) << 8));
    return record(0x02FB, fields);
}

// CREATEREGION of one rectangle.
inline QByteArray region(int left, int top, int right, int bottom)
{
    return record(0x06FF, {0, 6, 0, 0, 0, 1, 2, left, top, right, bottom, 2, top, bottom, left, right, 2});
}

} // namespace wmf

// Small EMF files on a reference device of 96 pixels to the inch: logical units are the picture's pixels.
namespace emf {

inline QByteArray record(std::uint32_t type, const QByteArray& data)
{
    QByteArray out;
    put32(out, type);
    put32(out, static_cast<std::uint32_t>(8 + data.size()));
    return out + data;
}

inline QByteArray words(const std::vector<std::int32_t>& values)
{
    QByteArray out;
    for (std::int32_t value : values)
        put32(out, static_cast<std::uint32_t>(value));
    return out;
}

// 96 by 48 pixels.
inline QByteArray file(const std::vector<QByteArray>& records)
{
    QByteArray body;
    for (const QByteArray& r : records)
        body += r;
    body += record(14, words({0, 16, 20}));
    QByteArray header = words({0, 0, 95, 47, 0, 0, 2539, 1269, 0x464D4520, 0x10000, 0, 0});
    header += words({8, 0, 0, 0, 960, 960, 254, 254}); // handles, description, palette, device, millimetres
    QByteArray out = record(1, header);
    out += body;
    out.replace(48, 4, words({std::int32_t(out.size())}));
    return out;
}

inline QByteArray polygon16(std::uint32_t type, const std::vector<int>& points)
{
    QByteArray data = words({0, 0, 0, 0, std::int32_t(points.size() / 2)});
    for (int value : points)
        put16(data, static_cast<std::uint32_t>(value));
    if (data.size() % 4)
        put16(data, 0);
    return record(type, data);
}

inline QByteArray text(int x, int y, const QString& letters)
{
    QByteArray string;
    for (QChar letter : letters)
        put16(string, letter.unicode());
    if (string.size() % 4)
        put16(string, 0);
    const std::int32_t offset = 8 + 28 + 40;
    return record(84,
                  words({0, 0, 0, 0, 1, 0, 0, x, y, std::int32_t(letters.size()), offset, 0, 0, 0, 0, 0, 0}) + string);
}

// The same picture as the WMF one, in pixels.
inline std::vector<QByteArray> drawing()
{
    QByteArray font = words({1, -19, 0, 0, 0, 700, 0});
    font += QByteArray(64, '\0');
    return {
        record(39, words({1, 0, std::int32_t(Blue), 0})),
        record(37, words({1})),
        record(37, words({std::int32_t(0x80000008)})), // the stock null pen
        polygon16(86, {10, 10, 38, 10, 38, 38, 10, 38}),
        record(38, words({2, 0, 4, 0, std::int32_t(Red)})),
        record(37, words({2})),
        polygon16(87, {48, 24, 86, 24}),
        record(82, font),
        record(37, words({1})), // the font took slot 1 over the brush
        record(24, words({std::int32_t(Green)})),
        record(18, words({1})),
        text(53, 29, "WW"),
    };
}

inline QByteArray floats(const std::vector<float>& values)
{
    QByteArray out;
    for (float value : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        put32(out, bits);
    }
    return out;
}

// POLYPOLYGON16 or POLYPOLYLINE16 of the figures given.
inline QByteArray polyPolygon16(std::uint32_t type, const std::vector<std::vector<int>>& figures)
{
    std::int32_t total = 0;
    for (const auto& figure : figures)
        total += std::int32_t(figure.size() / 2);
    QByteArray data = words({0, 0, 0, 0, std::int32_t(figures.size()), total});
    for (const auto& figure : figures)
        data += words({std::int32_t(figure.size() / 2)});
    for (const auto& figure : figures)
        for (int value : figure)
            put16(data, static_cast<std::uint32_t>(value));
    if (data.size() % 4)
        put16(data, 0);
    return record(type, data);
}

// EXTTEXTOUTW, or with wide false EXTTEXTOUTA, of letters placed by the advances given.
inline QByteArray spacedText(int x, int y, const QByteArray& letters, const std::vector<int>& advances, bool wide)
{
    QByteArray string;
    for (char letter : letters)
        wide ? put16(string, std::uint8_t(letter)) : void(string += letter);
    while (string.size() % 4)
        string += '\0';
    const std::int32_t offset = 8 + 28 + 40, dx = offset + std::int32_t(string.size());
    QByteArray data = words({0, 0, 0, 0, 1, 0, 0, x, y, std::int32_t(letters.size()), offset, 0, 0, 0, 0, 0, dx});
    return record(wide ? 84 : 83, data + string + words(std::vector<std::int32_t>(advances.begin(), advances.end())));
}

// EXTTEXTOUTW with the given reference point, options and box.
inline QByteArray text(int x, int y, const QString& letters, std::int32_t options, const std::vector<int>& box)
{
    QByteArray record = text(x, y, letters);
    record.replace(8 + 28 + 16, 4, words({options}));
    record.replace(8 + 28 + 20, 16, words({box[0], box[1], box[2], box[3]}));
    return record;
}

} // namespace emf

// A DIB of 2 by 2 pixels in 24 bits, its rows from the bottom up: blue and white above, red and green below.
inline QByteArray dibHeader() { return emf::words({40, 2, 2, 0x180001, 0, 16, 0, 0, 0, 0}); }

inline QByteArray dibBits()
{
    return QByteArray::fromHex("0000ff00ff000000"
                               "ff0000ffffff0000");
}

namespace emf {

// STRETCHDIBITS of a whole DIB of 24 bits (header, then bits) into the destination rectangle.
inline QByteArray stretchDiBits(int x, int y, int width, int height, std::uint32_t rop, const QByteArray& dib)
{
    const std::int32_t columns = qFromLittleEndian<std::int32_t>(dib.constData() + 4);
    const std::int32_t rows = qFromLittleEndian<std::int32_t>(dib.constData() + 8);
    const std::int32_t bits = std::int32_t(dib.size()) - 40;
    return record(
        81,
        words({0, 0, 0, 0, x, y, 0, 0, columns, rows, 80, 40, 120, bits, 0, std::int32_t(rop), width, height}) + dib);
}

// STRETCHDIBITS of the DIB into the destination rectangle.
inline QByteArray stretchDiBits(int x, int y, int width, int height)
{
    return stretchDiBits(x, y, width, height, 0x00CC0020, dibHeader() + dibBits());
}

// BITBLT of the DIB at its own size, or, with no bitmap, of the brush alone.
inline QByteArray bitBlt(int x, int y, int width, int height, std::uint32_t rop, bool bitmap)
{
    QByteArray data = words({0, 0, 0, 0, x, y, width, height, std::int32_t(rop), 0, 0});
    data += floats({1, 0, 0, 1, 0, 0});
    data += bitmap ? words({0, 0, 100, 40, 140, 16}) : words({0, 0, 0, 0, 0, 0});
    if (bitmap)
        data += dibHeader() + dibBits();
    return record(76, data);
}

// ALPHABLEND of a 2 by 1 bitmap of 32 bits, opaque blue then clear, with the constant alpha given.
inline QByteArray alphaBlend(int x, int y, int width, int height, int constantAlpha)
{
    QByteArray data = words({0, 0, 0, 0, x, y, width, height, (constantAlpha << 16) | (1 << 24), 0, 0});
    data += floats({1, 0, 0, 1, 0, 0});
    data += words({0, 0, 108, 40, 148, 8, 2, 1});
    data += words({40, 2, 1, 0x200001, 0, 8, 0, 0, 0, 0}) + QByteArray::fromHex("ff0000ff00000000");
    return record(114, data);
}

} // namespace emf

// The colours a test looks for, near enough for the edges that antialiasing softens.
inline bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) < 48 && std::abs(a.green() - b.green()) < 48 &&
           std::abs(a.blue() - b.blue()) < 48 && std::abs(a.alpha() - b.alpha()) < 48;
}

// A pixel and the colour it should have.
struct Probe {
    int x, y;
    QColor colour;
};

// Checks each probe, naming the row and the point in a failure.
inline void expectProbes(const QImage& image, const std::vector<Probe>& probes, const char* id)
{
    for (const Probe& probe : probes)
        EXPECT_PRED2(near, at(image, probe.x, probe.y), probe.colour)
            << id << " at (" << probe.x << ", " << probe.y << ")";
}

inline QImage shown(const QByteArray& bytes, QSize* size = nullptr)
{
    TAdvPicture control;
    control.resize(96, 48);
    QBuffer stream;
    stream.setData(bytes);
    stream.open(QIODevice::ReadOnly);
    control.Picture()->LoadFromStream(&stream);
    if (size)
        *size = QSize(control.Picture()->GetWidth(), control.Picture()->GetHeight());
    return rendered(control);
}

// The bytes played into an image of 96 by 48 pixels; a null image when they are refused.
inline QImage played(const QByteArray& bytes)
{
    const std::optional<Metafile> file = ReadMetafile(bytes);
    if (!file)
        return {};
    QImage image(96, 48, QImage::Format_ARGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    QPainterPath all;
    all.addRect(image.rect());
    PlayMetafile(*file, painter, QTransform::fromScale(96.0 / file->himetricWidth, 48.0 / file->himetricHeight), all);
    return image;
}

inline int greenPixels(const QImage& image, QRect where)
{
    int found = 0;
    for (int y = where.top(); y <= where.bottom(); ++y)
        for (int x = where.left(); x <= where.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            found += c.green() > 150 && c.red() < 100 && c.blue() < 100;
        }
    return found;
}
