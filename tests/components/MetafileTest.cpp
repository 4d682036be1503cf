#include "components/Metafile.h"
#include "AniFixture.h"
#include "Render.h"
#include "components/AdvPicture.h"
#include "win/LibraryError.h"

#include <QBuffer>
#include <QPainter>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace {

// Little-endian fields, as the animated-cursor files write them.
using ani::put16;
using ani::put32;

constexpr std::uint32_t Blue = 0xFF0000, Red = 0x0000FF, Green = 0x00FF00; // COLORREF: red in the low byte

// Small placeable WMF files: 16-bit parameters, given as the records store them.
namespace wmf {

QByteArray record(std::uint16_t function, const std::vector<int>& parameters)
{
    QByteArray out;
    put32(out, static_cast<std::uint32_t>(3 + parameters.size()));
    put16(out, function);
    for (int parameter : parameters)
        put16(out, static_cast<std::uint32_t>(parameter));
    return out;
}

std::vector<int> colour(std::uint32_t ref) { return {int(ref & 0xFFFF), int(ref >> 16)}; }

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A drawing of 1000 by 500 units at 1000 to the inch: 96 by 48 pixels.
QByteArray file(const std::vector<QByteArray>& records)
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
std::vector<QByteArray> drawing()
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

} // namespace wmf

// Small EMF files on a reference device of 96 pixels to the inch: logical units are the picture's pixels.
namespace emf {

QByteArray record(std::uint32_t type, const QByteArray& data)
{
    QByteArray out;
    put32(out, type);
    put32(out, static_cast<std::uint32_t>(8 + data.size()));
    return out + data;
}

QByteArray words(const std::vector<std::int32_t>& values)
{
    QByteArray out;
    for (std::int32_t value : values)
        put32(out, static_cast<std::uint32_t>(value));
    return out;
}

// 96 by 48 pixels.
QByteArray file(const std::vector<QByteArray>& records)
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

QByteArray polygon16(std::uint32_t type, const std::vector<int>& points)
{
    QByteArray data = words({0, 0, 0, 0, std::int32_t(points.size() / 2)});
    for (int value : points)
        put16(data, static_cast<std::uint32_t>(value));
    if (data.size() % 4)
        put16(data, 0);
    return record(type, data);
}

QByteArray text(int x, int y, const QString& letters)
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
std::vector<QByteArray> drawing()
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

} // namespace emf

QImage shown(const QByteArray& bytes, QSize* size = nullptr)
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
QImage played(const QByteArray& bytes)
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

int greenPixels(const QImage& image, QRect where)
{
    int found = 0;
    for (int y = where.top(); y <= where.bottom(); ++y)
        for (int x = where.left(); x <= where.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            found += c.green() > 150 && c.red() < 100 && c.blue() < 100;
        }
    return found;
}

} // namespace

TEST(Metafile, LineDrawingsAndTextAreDrawn)
{
    struct Row {
        const char* id;
        QByteArray bytes;
    };
    const std::vector<Row> rows = {{"placeable WMF", wmf::file(wmf::drawing())}, {"EMF", emf::file(emf::drawing())}};
    for (const Row& row : rows) {
        QSize size;
        const QImage image = shown(row.bytes, &size);
        EXPECT_EQ(size, QSize(96, 48)) << row.id;
        EXPECT_EQ(at(image, 24, 24), QColor(Qt::blue)) << row.id << ": the filled polygon";
        EXPECT_EQ(at(image, 5, 5), Untouched) << row.id << ": around it nothing";
        EXPECT_EQ(at(image, 42, 24), Untouched) << row.id << ": the null pen draws no outline";
        EXPECT_EQ(at(image, 70, 24), QColor(Qt::red)) << row.id << ": the thick line";
        EXPECT_EQ(at(image, 70, 20), Untouched) << row.id;
        EXPECT_GT(greenPixels(image, QRect(50, 28, 46, 20)), 10) << row.id << ": the letters";
        EXPECT_EQ(greenPixels(image, QRect(0, 0, 50, 48)), 0) << row.id;
    }
}

TEST(Metafile, TheWindowAndViewportScaleTheDrawing)
{
    const QByteArray square = wmf::record(0x0324, {4, 100, 100, 400, 100, 400, 400, 100, 400});
    const std::vector<QByteArray> blueBrushNullPen = {wmf::record(0x02FC, std::vector<int>{0, 0, 0x00FF, 0}),
                                                      wmf::record(0x02FA, {5, 0, 0, 0, 0}), wmf::record(0x012D, {0}),
                                                      wmf::record(0x012D, {1})};
    auto withWindow = [&](std::vector<QByteArray> setUp) {
        std::vector<QByteArray> records = blueBrushNullPen;
        records.insert(records.end(), setUp.begin(), setUp.end());
        records.push_back(square);
        return wmf::file(records);
    };
    const QByteArray emfSquare = emf::polygon16(86, {10, 10, 38, 10, 38, 38, 10, 38});
    auto emfWith = [&](std::vector<QByteArray> setUp) {
        std::vector<QByteArray> records = {emf::record(39, emf::words({1, 0, std::int32_t(Blue), 0})),
                                           emf::record(37, emf::words({1})),
                                           emf::record(37, emf::words({std::int32_t(0x80000008)}))};
        records.insert(records.end(), setUp.begin(), setUp.end());
        records.push_back(emfSquare);
        return emf::file(records);
    };
    struct Row {
        const char* id;
        QByteArray bytes;
        QRect square; // where it lands, in pixels
    };
    const std::vector<Row> rows = {
        {"WMF, window as the bounds", withWindow({wmf::record(0x020C, {500, 1000})}), {10, 10, 28, 28}},
        {"WMF, half the window: twice as large", withWindow({wmf::record(0x020C, {250, 500})}), {19, 19, 57, 57}},
        {"WMF, window moved", withWindow({wmf::record(0x020B, {100, 100})}), {0, 0, 28, 28}},
        {"EMF, no mapping", emfWith({}), {10, 10, 28, 28}},
        {"EMF, text mode ignores extents",
         emfWith({emf::record(9, emf::words({1, 1})), emf::record(11, emf::words({2, 2}))}),
         {10, 10, 28, 28}},
        {"EMF, anisotropic: twice as large",
         emfWith({emf::record(17, emf::words({8})), emf::record(9, emf::words({48, 24})),
                  emf::record(11, emf::words({96, 48}))}),
         {20, 20, 56, 56}},
        {"EMF, viewport moved", emfWith({emf::record(12, emf::words({20, 0}))}), {30, 10, 28, 28}},
    };
    for (const Row& row : rows) {
        const QImage image = shown(row.bytes);
        const QRect inner = row.square.adjusted(2, 2, -2, -2).intersected(image.rect());
        EXPECT_EQ(at(image, inner.left(), inner.top()), QColor(Qt::blue)) << row.id;
        EXPECT_EQ(at(image, inner.right(), inner.bottom()), QColor(Qt::blue)) << row.id;
        const QRect outer = row.square.adjusted(-2, -2, 2, 2);
        if (outer.right() < image.width()) {
            EXPECT_EQ(at(image, outer.right(), inner.top()), Untouched) << row.id;
        }
        if (outer.left() >= 0) {
            EXPECT_EQ(at(image, outer.left(), inner.top()), Untouched) << row.id;
        }
    }
}

TEST(Metafile, DamagedOrHugeMetafilesAreRefusedAndCutsStayInside)
{
    const char* refused = "Could not load image. Invalid format";
    QByteArray noInch = wmf::file(wmf::drawing());
    noInch[14] = noInch[15] = 0;
    QByteArray emfNoDevice = emf::file(emf::drawing());
    emfNoDevice.replace(8 + 72 - 8, 4, emf::words({0}));
    struct Row {
        const char* id;
        QByteArray bytes;
    };
    for (const Row& row :
         std::vector<Row>{{"WMF without units to the inch", noInch}, {"EMF without a reference device", emfNoDevice}}) {
        TIPicture picture;
        QBuffer stream;
        stream.setData(row.bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            picture.LoadFromStream(&stream);
            ADD_FAILURE() << row.id << ": loaded";
        } catch (const win::LibraryError& error) {
            EXPECT_STREQ(error.what(), refused) << row.id;
        }
    }
    // Fields at the ends of their range draw (nothing to see) instead of overflowing on the way.
    const std::int32_t lowest = INT32_MIN;
    QByteArray extremeFont = emf::words({1, lowest, 0, 0, 0, lowest, 0});
    extremeFont += QByteArray(64, '\0');
    const QByteArray extremes = emf::file({
        emf::record(10, emf::words({lowest, lowest})),
        emf::record(12, emf::words({lowest, lowest})),
        emf::record(82, extremeFont),
        emf::record(37, emf::words({1})),
        emf::record(38, emf::words({2, 0, lowest, 0, std::int32_t(Red)})),
        emf::record(37, emf::words({2})),
        emf::polygon16(87, {-32768, -32768, 32767, 32767}),
        emf::text(lowest, lowest, "W"),
    });
    EXPECT_FALSE(played(extremes).isNull());

    // Every cut of both files either draws or is refused, reading nothing past its bytes.
    for (const QByteArray& whole : {wmf::file(wmf::drawing()), emf::file(emf::drawing())})
        for (qsizetype length = 0; length <= whole.size(); ++length)
            played(whole.left(length));
}
