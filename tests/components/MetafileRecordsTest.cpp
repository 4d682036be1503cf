#include "MetafileFixture.h"
#include "components/MetafileDc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

const QColor BlueColour(Qt::blue), RedColour(Qt::red), WhiteColour(Qt::white), GreenColour(Qt::green);

using emf::record;
using emf::words;
using wmf::operator+;

// A blue brush in slot 1 and the stock null pen, or a red pen of the width in slot 2 and the null brush.
std::vector<QByteArray> blueFill()
{
    return {record(39, words({1, 0, std::int32_t(Blue), 0})), record(37, words({1})),
            record(37, words({std::int32_t(0x80000008)}))};
}

// After blueFill, record(37, words({1})) selects the blue brush again.
std::vector<QByteArray> redPen(int width)
{
    return {record(38, words({2, 0, width, 0, std::int32_t(Red)})), record(37, words({2})),
            record(37, words({std::int32_t(0x80000005)}))};
}

std::vector<QByteArray> operator+(std::vector<QByteArray> a, const std::vector<QByteArray>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

QByteArray rect(std::uint32_t type, int left, int top, int right, int bottom)
{
    return record(type, words({left, top, right, bottom}));
}

// A closed figure of lines and a curve, from (10, 10) round to the left edge: a path to fill or stroke.
std::vector<QByteArray> figure(std::uint32_t finish)
{
    return {record(59, {}),
            record(27, words({10, 10})),
            emf::polygon16(89, {40, 10, 40, 38}),
            emf::polygon16(88, {30, 38, 20, 38, 10, 38}),
            record(61, {}),
            record(60, {}),
            record(finish, words({0, 0, 0, 0}))};
}

// The whole picture filled blue, so a clip shows where it lets the drawing through.
QByteArray fillAll() { return rect(43, -10, -10, 110, 60); }

QByteArray xform(std::vector<float> values) { return emf::floats(values); }

// RGNDATA of one rectangle in device units.
QByteArray regionOf(int left, int top, int right, int bottom)
{
    return words({32, 1, 1, 16, left, top, right, bottom, left, top, right, bottom});
}

// EXTSELECTCLIPRGN with one rectangle.
QByteArray clipRegion(std::uint32_t mode, int left, int top, int right, int bottom)
{
    const QByteArray data = regionOf(left, top, right, bottom);
    return record(75, words({std::int32_t(data.size()), std::int32_t(mode)}) + data);
}

// A DIB of one red pixel.
QByteArray redDib() { return words({40, 1, 1, 0x180001, 0, 4, 0, 0, 0, 0}) + QByteArray::fromHex("0000ff00"); }

// A row of records and the pixels they should leave.
struct Row {
    const char* id;
    std::vector<QByteArray> records;
    std::vector<Probe> probes;
};

template <typename File> void expectRows(const std::vector<Row>& rows, File file)
{
    for (const Row& row : rows)
        expectProbes(shown(file(row.records)), row.probes, row.id);
}

} // namespace

TEST(MetafileRecords, EmfPathsShapesTransformsAndBitmapsDraw)
{
    const QColor none = Untouched;
    const std::vector<Row> rows = {
        {"path of lines and a curve, filled", blueFill() + figure(62), {{25, 24, BlueColour}, {60, 24, none}}},
        {"path stroked is not filled",
         blueFill() + redPen(3) + figure(64),
         {{10, 24, RedColour}, {25, 24, none}, {40, 24, RedColour}}},
        {"path stroked and filled",
         blueFill() + redPen(3) + std::vector<QByteArray>{record(37, words({1}))} + figure(63),
         {{10, 24, RedColour}, {25, 24, BlueColour}}},
        {"path of MOVETOEX and LINETO",
         blueFill() + std::vector<QByteArray>{record(59, {}), record(27, words({50, 10})), record(54, words({80, 10})),
                                              record(54, words({80, 40})), record(54, words({50, 40})), record(61, {}),
                                              record(60, {}), record(62, words({0, 0, 0, 0}))},
         {{65, 25, BlueColour}, {45, 25, none}}},
        {"lines outside a path are drawn as they come",
         redPen(3) + std::vector<QByteArray>{record(27, words({10, 24})), record(54, words({86, 24}))},
         {{48, 24, RedColour}, {48, 30, none}}},
        {"POLYPOLYGON16 leaves the inner figure a hole",
         blueFill() + std::vector<QByteArray>{emf::polyPolygon16(
                          91, {{10, 4, 86, 4, 86, 44, 10, 44}, {30, 14, 66, 14, 66, 34, 30, 34}})},
         {{20, 24, BlueColour}, {48, 24, none}}},
        {"POLYPOLYGON16 winding fills it",
         blueFill() + std::vector<QByteArray>{record(19, words({2})),
                                              emf::polyPolygon16(91, {{10, 4, 86, 4, 86, 44, 10, 44},
                                                                      {30, 14, 66, 14, 66, 34, 30, 34}})},
         {{20, 24, BlueColour}, {48, 24, BlueColour}}},
        {"POLYPOLYLINE16",
         redPen(3) + std::vector<QByteArray>{emf::polyPolygon16(90, {{10, 10, 80, 10}, {10, 30, 80, 30}})},
         {{40, 10, RedColour}, {40, 30, RedColour}, {40, 20, none}}},
        {"POLYBEZIER16",
         redPen(3) + std::vector<QByteArray>{emf::polygon16(85, {10, 24, 30, 24, 60, 24, 86, 24})},
         {{48, 24, RedColour}, {48, 30, none}}},
        {"POLYGON of 32-bit points",
         blueFill() + std::vector<QByteArray>{record(3, words({0, 0, 0, 0, 3, 10, 4, 86, 4, 10, 44}))},
         {{20, 10, BlueColour}, {80, 40, none}}},
        {"SETWORLDTRANSFORM moves the drawing",
         blueFill() + std::vector<QByteArray>{record(35, xform({1, 0, 0, 1, 40, 0})), rect(43, 10, 10, 30, 30)},
         {{60, 20, BlueColour}, {20, 20, none}}},
        {"MODIFYWORLDTRANSFORM multiplies it",
         blueFill() + std::vector<QByteArray>{record(36, xform({1, 0, 0, 1, 0, 0}) + words({1})),
                                              record(36, xform({2, 0, 0, 2, 0, 0}) + words({3})),
                                              rect(43, 10, 10, 20, 20)},
         {{36, 36, BlueColour}, {15, 15, none}}},
        {"MODIFYWORLDTRANSFORM multiplies from the left: the new transform applies first",
         blueFill() + std::vector<QByteArray>{record(35, xform({1, 0, 0, 1, 40, 0})),
                                              record(36, xform({2, 0, 0, 2, 0, 0}) + words({2})),
                                              rect(43, 10, 10, 20, 20)},
         {{70, 30, BlueColour}, {30, 30, none}}},
        {"RESTOREDC brings back the transform",
         blueFill() + std::vector<QByteArray>{record(33, {}), record(35, xform({1, 0, 0, 1, 40, 0})),
                                              record(34, words({-1})), rect(43, 10, 10, 30, 30)},
         {{20, 20, BlueColour}, {60, 20, none}}},
        {"RESTOREDC brings back the brush",
         blueFill() + std::vector<QByteArray>{record(33, {}), record(37, words({std::int32_t(0x80000004)})),
                                              record(34, words({-1})), rect(43, 10, 10, 30, 30)},
         {{20, 20, BlueColour}}},
        {"SETMAPMODE LOMETRIC: tenths of millimetres, y upwards",
         blueFill() + std::vector<QByteArray>{record(17, words({2})), rect(43, 50, -50, 150, -100)},
         {{38, 28, BlueColour}, {10, 10, none}, {70, 28, none}}},
        {"PIE: the quarter from three o'clock to twelve",
         blueFill() + std::vector<QByteArray>{record(47, words({10, 4, 50, 44, 50, 24, 30, 4}))},
         {{38, 16, BlueColour}, {22, 34, none}, {22, 14, none}}},
        {"PIE clockwise: the other three quarters",
         blueFill() +
             std::vector<QByteArray>{record(57, words({2})), record(47, words({10, 4, 50, 44, 50, 24, 30, 4}))},
         {{38, 16, none}, {22, 34, BlueColour}, {22, 14, BlueColour}}},
        {"CHORD: cut by the line between the ends",
         blueFill() + std::vector<QByteArray>{record(46, words({10, 4, 50, 44, 50, 24, 30, 4}))},
         {{44, 12, BlueColour}, {36, 18, none}}},
        {"ARC: the curve alone",
         redPen(3) + std::vector<QByteArray>{record(45, words({10, 4, 50, 44, 50, 24, 30, 4}))},
         {{30, 4, RedColour}, {38, 16, none}, {10, 24, none}}},
        {"ROUNDRECT rounds its corners",
         blueFill() + std::vector<QByteArray>{record(44, words({10, 4, 86, 44, 30, 30}))},
         {{11, 5, none}, {48, 24, BlueColour}, {12, 24, BlueColour}}},
        {"STRETCHDIBITS: rows from the bottom up",
         {emf::stretchDiBits(10, 10, 40, 20)},
         {{20, 15, BlueColour}, {40, 15, WhiteColour}, {20, 25, RedColour}, {40, 25, GreenColour}, {55, 15, none}}},
        {"BITBLT of a bitmap",
         {emf::bitBlt(10, 10, 2, 2, 0x00CC0020, true)},
         {{10, 10, BlueColour}, {11, 10, WhiteColour}, {10, 11, RedColour}, {11, 11, GreenColour}}},
        {"ALPHABLEND keeps the bitmap's own alpha",
         {emf::alphaBlend(10, 10, 40, 20, 255)},
         {{15, 20, BlueColour}, {45, 20, none}}},
        {"ALPHABLEND with a constant alpha",
         {emf::alphaBlend(10, 10, 40, 20, 128)},
         {{15, 20, QColor(128, 0, 255)}, {45, 20, none}}}, // half blue over the magenta background
        {"BITBLT of the brush alone",
         blueFill() + std::vector<QByteArray>{emf::bitBlt(60, 10, 20, 20, 0x00F00021, false)},
         {{70, 20, BlueColour}, {50, 20, none}}},
        {"INTERSECTCLIPRECT",
         blueFill() + std::vector<QByteArray>{rect(30, 0, 0, 48, 48), fillAll()},
         {{24, 24, BlueColour}, {72, 24, none}}},
        {"EXCLUDECLIPRECT",
         blueFill() + std::vector<QByteArray>{rect(29, 40, 0, 56, 48), fillAll()},
         {{24, 24, BlueColour}, {48, 24, none}, {72, 24, BlueColour}}},
        {"EXTSELECTCLIPRGN copies a region",
         blueFill() + std::vector<QByteArray>{clipRegion(5, 60, 0, 96, 48), fillAll()},
         {{80, 24, BlueColour}, {24, 24, none}}},
        {"EXTSELECTCLIPRGN without a region lets all through again",
         blueFill() + std::vector<QByteArray>{rect(30, 0, 0, 10, 10), record(75, words({0, 5})), fillAll()},
         {{80, 24, BlueColour}, {24, 24, BlueColour}}},
        {"SELECTCLIPPATH clips to the path",
         blueFill() + std::vector<QByteArray>{record(59, {}), rect(43, 0, 0, 20, 48), record(60, {}),
                                              record(67, words({5})), fillAll()},
         {{10, 24, BlueColour}, {30, 24, none}}},
        {"RESTOREDC brings back the clip",
         blueFill() +
             std::vector<QByteArray>{record(33, {}), rect(30, 0, 0, 10, 10), record(34, words({-1})), fillAll()},
         {{80, 24, BlueColour}}},
    };
    expectRows(rows, emf::file);
}

namespace {

// WMF units of the 1000 by 500 drawing for a pixel of its 96 by 48.
int u(double pixel) { return int(std::lround(pixel * 1000 / 96)); }

std::vector<QByteArray> wmfBlueFill()
{
    return {wmf::record(0x02FC, std::vector<int>{0, 0, 0x00FF, 0}), wmf::record(0x02FA, {5, 0, 0, 0, 0}),
            wmf::record(0x012D, {0}), wmf::record(0x012D, {1})};
}

// ARC, PIE and CHORD of the box (10, 4)-(50, 44) from three o'clock to twelve.
QByteArray wmfArc(std::uint16_t function)
{
    return wmf::record(function, {u(4), u(30), u(24), u(50), u(44), u(50), u(4), u(10)});
}

QByteArray wmfFillAll() { return wmf::record(0x041B, {600, 1100, -100, -100}); }

} // namespace

TEST(MetafileRecords, WmfShapesRegionsAndBitmapsDraw)
{
    const QColor none = Untouched;
    const QByteArray dib = dibHeader() + dibBits();
    const std::vector<Row> rows = {
        {"PIE",
         wmfBlueFill() + std::vector<QByteArray>{wmfArc(0x081A)},
         {{38, 16, BlueColour}, {22, 34, none}, {22, 14, none}}},
        {"CHORD", wmfBlueFill() + std::vector<QByteArray>{wmfArc(0x0830)}, {{44, 12, BlueColour}, {36, 18, none}}},
        {"ARC",
         {wmf::record(0x02FA, std::vector<int>{0, 30, 0} + wmf::colour(Red)), wmf::record(0x012D, {0}), wmfArc(0x0817)},
         {{30, 4, RedColour}, {38, 16, none}, {10, 24, none}}},
        {"ROUNDRECT",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x061C, {u(30), u(30), u(44), u(86), u(4), u(10)})},
         {{11, 5, none}, {48, 24, BlueColour}}},
        {"POLYPOLYGON leaves a hole",
         wmfBlueFill() +
             std::vector<QByteArray>{wmf::record(0x0538, {2, 4, 4, u(10), u(4), u(86), u(4), u(86), u(44), u(10), u(44),
                                                          u(30), u(14), u(66), u(14), u(66), u(34), u(30), u(34)})},
         {{20, 24, BlueColour}, {48, 24, none}}},
        {"a palette takes an object slot",
         {wmf::record(0x00F7, {0x300, 0}), wmf::record(0x02FC, std::vector<int>{0, 0, 0x00FF, 0}),
          wmf::record(0x012D, {1}), wmf::record(0x041B, {u(30), u(30), u(10), u(10)})},
         {{20, 20, BlueColour}}},
        {"SELECTCLIPREGION clips to a region",
         wmfBlueFill() + std::vector<QByteArray>{wmf::region(0, 0, 500, 500), wmf::record(0x012C, {2}), wmfFillAll()},
         {{24, 24, BlueColour}, {72, 24, none}}},
        {"FILLREGION fills a region with a brush",
         wmfBlueFill() + std::vector<QByteArray>{wmf::region(500, 0, 1000, 500), wmf::record(0x0228, {2, 0})},
         {{72, 24, BlueColour}, {24, 24, none}}},
        {"INTERSECTCLIPRECT",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x0416, {500, 500, 0, 0}), wmfFillAll()},
         {{24, 24, BlueColour}, {72, 24, none}}},
        {"RESTOREDC brings back the clip",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x001E, {}), wmf::record(0x0416, {100, 100, 0, 0}),
                                                 wmf::record(0x0127, {-1}), wmfFillAll()},
         {{72, 24, BlueColour}}},
        {"STRETCHDIB: rows from the bottom up",
         {wmf::record(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, u(20), u(40), u(10), u(10)}, dib)},
         {{20, 15, BlueColour}, {40, 15, WhiteColour}, {20, 25, RedColour}, {40, 25, GreenColour}, {55, 15, none}}},
        {"DIBSTRETCHBLT",
         {wmf::record(0x0B41, {0x0020, 0x00CC, 2, 2, 0, 0, u(20), u(40), u(10), u(10)}, dib)},
         {{20, 15, BlueColour}, {40, 25, GreenColour}}},
    };
    expectRows(rows, wmf::file);
}

TEST(MetafileRecords, EmfArcsPixelsPensBrushesRegionsAndBlitsDraw)
{
    const QColor none = Untouched;
    const QByteArray region = regionOf(60, 0, 96, 48);
    QByteArray polyDraw = words({0, 0, 0, 0, 2});
    for (int value : {10, 10, 86, 10})
        put16(polyDraw, std::uint32_t(value));
    polyDraw += QByteArray::fromHex("06020000"); // PT_MOVETO, PT_LINETO
    const std::vector<Row> rows = {
        {"ELLIPSE",
         blueFill() + std::vector<QByteArray>{rect(42, 10, 4, 50, 44)},
         {{30, 24, BlueColour}, {11, 5, none}}},
        {"ARCTO: a line to the arc's start, then the arc",
         redPen(3) +
             std::vector<QByteArray>{record(27, words({10, 44})), record(55, words({10, 4, 50, 44, 50, 24, 30, 4}))},
         {{30, 34, RedColour}, {30, 4, RedColour}, {20, 24, none}}},
        {"ANGLEARC: a line to the arc's start, then the arc",
         redPen(3) + std::vector<QByteArray>{record(27, words({10, 24})),
                                             record(41, words({48, 24, 20}) + emf::floats({0, 90}))},
         {{40, 24, RedColour}, {48, 4, RedColour}, {48, 14, none}}},
        {"SETPIXELV", {record(15, words({5, 5, std::int32_t(Red)}))}, {{5, 5, RedColour}, {6, 6, none}}},
        {"ABORTPATH draws nothing",
         blueFill() + std::vector<QByteArray>{record(59, {}), rect(43, 10, 10, 30, 30), record(68, {}),
                                              record(62, words({0, 0, 0, 0}))},
         {{20, 20, none}}},
        {"WIDENPATH: the line's outline, filled",
         blueFill() + std::vector<QByteArray>{record(38, words({2, 0, 8, 0, std::int32_t(Red)})),
                                              record(37, words({2})), record(59, {}), record(27, words({10, 24})),
                                              record(54, words({86, 24})), record(60, {}), record(66, {}),
                                              record(62, words({0, 0, 0, 0}))},
         {{48, 24, BlueColour}, {48, 22, BlueColour}, {48, 32, none}}},
        {"OFFSETCLIPRGN moves the clip",
         blueFill() + std::vector<QByteArray>{rect(30, 0, 0, 20, 48), record(26, words({40, 0})), fillAll()},
         {{50, 24, BlueColour}, {10, 24, none}}},
        {"SCALEWINDOWEXTEX halves the window: twice as large",
         blueFill() + std::vector<QByteArray>{record(17, words({8})), record(9, words({96, 48})),
                                              record(11, words({96, 48})), record(32, words({1, 2, 1, 2})),
                                              rect(43, 10, 10, 20, 20)},
         {{30, 30, BlueColour}, {15, 15, none}}},
        {"EXTCREATEPEN with flat ends",
         {record(95, words({3, 0, 0, 0, 0, 0x10200, 10, 0, std::int32_t(Red), 0, 0})), record(37, words({3})),
          record(27, words({20, 24})), record(54, words({70, 24}))},
         {{22, 24, RedColour}, {16, 24, none}, {74, 24, none}}},
        {"EXTCREATEPEN with round ends",
         {record(95, words({3, 0, 0, 0, 0, 0x10000, 10, 0, std::int32_t(Red), 0, 0})), record(37, words({3})),
          record(27, words({20, 24})), record(54, words({70, 24}))},
         {{17, 24, RedColour}, {73, 24, RedColour}}},
        {"CREATEDIBPATTERNBRUSHPT",
         {record(94, words({1, 0, 32, 40, 72, 4}) + redDib()), record(37, words({1})),
          record(37, words({std::int32_t(0x80000008)})), rect(43, 10, 10, 30, 30)},
         {{20, 20, RedColour}, {40, 20, none}}},
        {"FILLRGN with a brush",
         {record(39, words({1, 0, std::int32_t(Blue), 0})),
          record(71, words({0, 0, 0, 0, std::int32_t(region.size()), 1}) + region)},
         {{80, 24, BlueColour}, {24, 24, none}}},
        {"PAINTRGN with the brush selected",
         blueFill() + std::vector<QByteArray>{record(74, words({0, 0, 0, 0, std::int32_t(region.size())}) + region)},
         {{80, 24, BlueColour}, {24, 24, none}}},
        {"SETDIBITSTODEVICE",
         {record(80, words({0, 0, 0, 0, 10, 10, 0, 0, 2, 2, 76, 40, 116, 16, 0, 0, 2}) + dibHeader() + dibBits())},
         {{10, 10, BlueColour}, {11, 10, WhiteColour}, {10, 11, RedColour}, {11, 11, GreenColour}}},
        {"STRETCHBLT",
         {record(77, words({0, 0, 0, 0, 10, 10, 40, 20, 0x00CC0020, 0, 0}) + emf::floats({1, 0, 0, 1, 0, 0}) +
                         words({0, 0, 108, 40, 148, 16, 2, 2}) + dibHeader() + dibBits())},
         {{20, 15, BlueColour}, {40, 25, GreenColour}}},
        {"EXTSELECTCLIPRGN takes a region out of the whole",
         blueFill() + std::vector<QByteArray>{clipRegion(4, 60, 0, 96, 48), fillAll()},
         {{80, 24, none}, {24, 24, BlueColour}}},
        {"POLYDRAW16",
         redPen(3) + std::vector<QByteArray>{record(92, polyDraw)},
         {{48, 10, RedColour}, {48, 20, none}}},
    };
    expectRows(rows, emf::file);
}

TEST(MetafileRecords, WmfEllipsesPixelsWindowsRegionsAndPatternsDraw)
{
    const QColor none = Untouched;
    const QByteArray square = wmf::record(0x041B, {u(20), u(20), u(10), u(10)});
    const std::vector<Row> rows = {
        {"ELLIPSE",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x0418, {u(44), u(50), u(4), u(10)})},
         {{30, 24, BlueColour}, {11, 5, none}}},
        {"OFFSETWINDOWORG moves the drawing",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x020F, {0, u(-40)}), square},
         {{55, 15, BlueColour}, {15, 15, none}}},
        {"SCALEWINDOWEXT halves the window: twice as large",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x0410, {2, 1, 2, 1}), square},
         {{30, 30, BlueColour}, {15, 15, none}}},
        {"SETPIXEL", {wmf::record(0x041F, wmf::colour(Red) + std::vector<int>{u(5.5), u(5.5)})}, {{5, 5, RedColour}}},
        {"PAINTREGION with the brush selected",
         wmfBlueFill() + std::vector<QByteArray>{wmf::region(500, 0, 1000, 500), wmf::record(0x012B, {2})},
         {{72, 24, BlueColour}, {24, 24, none}}},
        {"EXCLUDECLIPRECT",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x0415, {500, 600, 0, 400}), wmfFillAll()},
         {{24, 24, BlueColour}, {48, 24, none}, {72, 24, BlueColour}}},
        {"PATBLT with the brush",
         wmfBlueFill() + std::vector<QByteArray>{wmf::record(0x061D, {0x0021, 0x00F0, u(20), u(20), u(10), u(10)})},
         {{20, 20, BlueColour}, {40, 20, none}}},
        {"DIBCREATEPATTERNBRUSH",
         {wmf::record(0x0142, {5, 0}, redDib()), wmf::record(0x012D, {0}), square},
         {{15, 15, RedColour}, {40, 15, none}}},
    };
    expectRows(rows, wmf::file);
}

namespace {

QByteArray emfFont(int height, int escapement, const QString& face)
{
    QByteArray font = words({1, height, 0, escapement, escapement, 400, 0});
    QByteArray name;
    for (QChar letter : face)
        put16(name, letter.unicode());
    name.resize(64, '\0');
    return record(82, font + name);
}

} // namespace

TEST(MetafileRecords, TextFollowsItsAlignmentEscapementAndMapping)
{
    struct Row {
        const char* id;
        std::vector<QByteArray> records;
        QRect letters; // where the letters lie
        QRect clear;   // where none may be
    };
    const auto textWith = [](std::vector<QByteArray> setUp, int align, int escapement, QPoint at, int height = -14) {
        std::vector<QByteArray> records = {emfFont(height, escapement, "Arial"), record(37, words({1})),
                                           record(24, words({std::int32_t(Green)})), record(18, words({1})),
                                           record(22, words({align}))};
        records.insert(records.end(), setUp.begin(), setUp.end());
        records.push_back(emf::text(at.x(), at.y(), "WWW"));
        return records;
    };
    // The same set-up for a text record of its own.
    const auto textRecord = [](const QByteArray& text) {
        return std::vector<QByteArray>{emfFont(-14, 0, "Arial"), record(37, words({1})),
                                       record(24, words({std::int32_t(Green)})), record(18, words({1})), text};
    };
    const std::vector<Row> rows = {
        {"left, top", textWith({}, 0, 0, {48, 10}), {48, 10, 48, 20}, {0, 0, 46, 48}},
        {"right", textWith({}, 2, 0, {48, 10}), {0, 10, 48, 20}, {50, 0, 46, 48}},
        {"centre", textWith({}, 6, 0, {48, 10}), {20, 10, 56, 20}, {0, 0, 10, 48}},
        {"baseline", textWith({}, 24, 0, {10, 30}), {10, 18, 40, 12}, {0, 33, 96, 15}},
        {"turned a quarter anticlockwise", textWith({}, 24, 900, {48, 46}), {34, 0, 14, 46}, {50, 0, 46, 48}},
        {"letters placed by their advances",
         textRecord(emf::spacedText(10, 10, "WW", {60, 10}, true)),
         {70, 10, 16, 20},
         {28, 0, 40, 48}},
        {"8-bit letters", textRecord(emf::spacedText(48, 10, "WW", {14, 14}, false)), {48, 10, 40, 20}, {0, 0, 46, 48}},
        {"upright under a mapping whose y points up",
         textWith({record(17, words({2}))}, 0, 0, {50, -20}, -40),
         {18, 8, 40, 14},
         {0, 0, 96, 6}},
    };
    for (const Row& row : rows) {
        const QImage image = shown(emf::file(row.records));
        EXPECT_GT(greenPixels(image, row.letters), 10) << row.id;
        EXPECT_EQ(greenPixels(image, row.clear), 0) << row.id;
    }
}

TEST(MetafileRecords, WmfTextTurnsAndTheSymbolFontShowsGreek)
{
    const auto text = [](QByteArray font, const char* letters, int x, int y, int align) {
        const int length = int(std::strlen(letters));
        std::vector<int> fields = {length};
        for (int i = 0; i < length; i += 2)
            fields.push_back(std::uint8_t(letters[i]) | (i + 1 < length ? std::uint8_t(letters[i + 1]) << 8 : 0));
        fields.push_back(y);
        fields.push_back(x);
        return wmf::file({font, wmf::record(0x012D, {0}), wmf::record(0x0209, wmf::colour(Green)),
                          wmf::record(0x0102, {1}), wmf::record(0x012E, {align}), wmf::record(0x0521, fields)});
    };
    // Turned a quarter anticlockwise, the letters rise from their reference point instead of running right.
    const QImage turned = shown(text(wmf::font(-150, 900, 0, "Arial"), "WWW", u(48), u(46), 24));
    EXPECT_GT(greenPixels(turned, QRect(34, 0, 14, 46)), 10);
    EXPECT_EQ(greenPixels(turned, QRect(50, 0, 46, 48)), 0);

    // EXTTEXTOUT places each letter by its advance: the second one 60 pixels on.
    const QImage spaced = shown(wmf::file({wmf::font(-150, 0, 0, "Arial"), wmf::record(0x012D, {0}),
                                           wmf::record(0x0209, wmf::colour(Green)), wmf::record(0x0102, {1}),
                                           wmf::record(0x0A32, {u(10), u(10), 2, 0, 'W' | ('W' << 8), u(60), u(10)})}));
    EXPECT_GT(greenPixels(spaced, QRect(70, 10, 16, 20)), 10);
    EXPECT_EQ(greenPixels(spaced, QRect(28, 0, 40, 48)), 0);

    // The Symbol font's letters are Greek: a Symbol "p" is a pi, not the Latin letter.
    const QImage symbol = shown(text(wmf::font(-300, 0, 2, "Symbol"), "p", u(10), u(4), 0));
    const QImage latin = shown(text(wmf::font(-300, 0, 0, "Times New Roman"), "p", u(10), u(4), 0));
    EXPECT_GT(greenPixels(symbol, symbol.rect()), 10) << "the letter is drawn";
    EXPECT_NE(symbol, latin);
    const QImage bySymbolName = shown(text(wmf::font(-300, 0, 0, "Symbol"), "p", u(10), u(4), 0));
    EXPECT_EQ(bySymbolName, symbol) << "the face name alone makes a Symbol font";

    struct Row {
        char16_t code;
        char16_t letter;
    };
    for (const Row& row : std::vector<Row>{{'a', 0x3B1},
                                           {'p', 0x3C0},
                                           {'W', 0x3A9},
                                           {'D', 0x394},
                                           {0xF061, 0x3B1},
                                           {0xB4, 0xD7},
                                           {'1', '1'},
                                           {' ', ' '}})
        EXPECT_EQ(metafile::symbolLetter(QChar(row.code)).unicode(), row.letter) << "code " << int(row.code);
}

TEST(MetafileRecords, APositiveFontHeightIsTheCellsANegativeOneTheLetters)
{
    // The rows a capital covers: smaller for a cell of 30 units, leading included, than for letters of 30.
    const auto rows = [](int height) {
        const QImage image =
            shown(emf::file({emfFont(height, 0, "Arial"), record(37, words({1})),
                             record(24, words({std::int32_t(Green)})), record(18, words({1})), emf::text(10, 4, "H")}));
        int covered = 0;
        for (int y = 0; y < image.height(); ++y)
            covered += greenPixels(image, QRect(0, y, image.width(), 1)) > 0;
        return covered;
    };
    const int cell = rows(30), letters = rows(-30);
    EXPECT_GT(cell, 10);
    EXPECT_LT(cell, letters);
}

TEST(MetafileRecords, AMaskLaidWithItsImageLetsThePageShowWhereTheMaskIsBlack)
{
    // A picture's page is what the canvas shows under it: here the control's background, and in the
    // lower half a yellow band that the drawing puts there first. The mask, white in its left column,
    // goes on with SRCPAINT; the image, blue and green there, white then black in the other columns,
    // with SRCAND. Each column is 20 pixels wide and each row 20 high, from (8, 4).
    const QColor none = Untouched, yellow(Qt::yellow), black(Qt::black);
    const QByteArray mask = words({40, 3, 2, 0x180001, 0, 24, 0, 0, 0, 0}) +
                            QByteArray::fromHex("ffffff000000000000000000ffffff000000000000000000");
    const QByteArray image = words({40, 3, 2, 0x180001, 0, 24, 0, 0, 0, 0}) +
                             QByteArray::fromHex("00ff00ffffff000000000000ff0000ffffff000000000000");
    constexpr std::uint32_t srcPaint = 0x00EE0086, srcAnd = 0x008800C6;
    const std::vector<QByteArray> emfBand = {record(39, words({1, 0, 0x00FFFF, 0})), record(37, words({1})),
                                             record(37, words({std::int32_t(0x80000008)})), rect(43, 0, 24, 96, 48)};
    const std::vector<QByteArray> wmfBand = {
        wmf::record(0x02FC, std::vector<int>{0} + wmf::colour(0x00FFFF) + std::vector<int>{0}),
        wmf::record(0x02FA, {5, 0, 0, 0, 0}), wmf::record(0x012D, {0}), wmf::record(0x012D, {1}),
        wmf::record(0x041B, {500, 1000, 250, 0})};
    const auto stretchDib = [](std::uint32_t rop, const QByteArray& dib) {
        return wmf::record(0x0F43, {int(rop & 0xFFFF), int(rop >> 16), 0, 2, 3, 0, 0, u(40), u(60), u(4), u(8)}, dib);
    };
    const std::vector<Probe> pair = {{18, 14, BlueColour},  {38, 14, none},   {58, 14, black},
                                     {18, 34, GreenColour}, {38, 34, yellow}, {58, 34, black}};
    struct Case {
        const char* id;
        QByteArray bytes;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        {"EMF: STRETCHDIBITS of the mask, then of the image",
         emf::file(emfBand + std::vector<QByteArray>{emf::stretchDiBits(8, 4, 60, 40, srcPaint, mask),
                                                     emf::stretchDiBits(8, 4, 60, 40, srcAnd, image)}),
         pair},
        {"WMF: STRETCHDIB of the mask, then of the image",
         wmf::file(wmfBand + std::vector<QByteArray>{stretchDib(srcPaint, mask), stretchDib(srcAnd, image)}), pair},
        // A mask that no image follows lightens what lies under it, and is drawn before what comes next.
        {"EMF: a mask alone, then a blue square over its middle",
         emf::file(emfBand + std::vector<QByteArray>{emf::stretchDiBits(8, 4, 60, 40, srcPaint, mask),
                                                     record(39, words({2, 0, std::int32_t(Blue), 0})),
                                                     record(37, words({2})), rect(43, 30, 26, 46, 42)}),
         {{18, 34, WhiteColour}, {38, 34, BlueColour}, {58, 34, yellow}}},
        {"WMF: a mask alone at the end of the file",
         wmf::file(wmfBand + std::vector<QByteArray>{stretchDib(srcPaint, mask)}),
         {{18, 34, WhiteColour}, {58, 34, yellow}}},
    };
    for (const Case& c : cases)
        expectProbes(shown(c.bytes), c.probes, c.id);
}
