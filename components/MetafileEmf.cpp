// The EMF records, one table of handlers filled by family.

#include "MetafilePlay.h"
#include "ui/AnsiText.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace metafile {

namespace {

QPointF pointL(const Record& r, qsizetype at) { return QPointF(r.in.s32(at), r.in.s32(at + 4)); }

QRectF rectL(const Record& r, qsizetype at) { return QRectF(pointL(r, at), pointL(r, at + 8)); }

QTransform xform(const Record& r, qsizetype at)
{
    const Bytes& in = r.in;
    return QTransform(in.f32(at), in.f32(at + 4), in.f32(at + 8), in.f32(at + 12), in.f32(at + 16), in.f32(at + 20));
}

// A record's own offset and length of a block inside it, checked to lie inside the record.
bool block(const Record& r, qsizetype offset, qsizetype size)
{
    return offset >= 0 && size >= 0 && offset <= r.size && size <= r.size - offset;
}

// POLYBEZIER to POLYLINETO and their 16-bit forms: bounds, a count, the points.
QPolygonF polyPoints(const Record& r, bool small) { return points(r, r.p + 20, r.in.u32(r.p + 16), small); }

// POLYPOLYGON and POLYPOLYLINE: bounds, the number of figures and of points, each figure's count, the points.
std::vector<QPolygonF> polyPolyPoints(const Record& r, bool small)
{
    const qsizetype figures = std::min<qsizetype>(r.in.u32(r.p + 16), (r.end() - r.p - 24) / 4);
    qsizetype at = r.p + 24 + 4 * std::max<qsizetype>(figures, 0);
    std::vector<QPolygonF> out;
    for (qsizetype i = 0; i < figures && at < r.end(); ++i) {
        const QPolygonF figure = points(r, at, r.in.u32(r.p + 24 + 4 * i), small);
        at += figure.size() * (small ? 4 : 8);
        out.push_back(figure);
    }
    return out;
}

std::optional<GdiObject> stock(std::uint32_t index)
{
    switch (index & 0x7FFFFFFF) {
    case 0:
        return Brush{0, Qt::white, 0, {}};
    case 1:
        return Brush{0, QColor(192, 192, 192), 0, {}};
    case 2:
        return Brush{0, QColor(128, 128, 128), 0, {}};
    case 3:
        return Brush{0, QColor(64, 64, 64), 0, {}};
    case 4:
        return Brush{0, Qt::black, 0, {}};
    case 5:
        return Brush{1, Qt::black, 0, {}};
    case 6:
        return Pen{0, 0, Qt::white, {}};
    case 7:
        return Pen{0, 0, Qt::black, {}};
    case 8:
        return Pen{5, 0, Qt::black, {}};
    case 10:
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
        return Font{};
    default:
        return std::nullopt;
    }
}

void mappingRecords(Handlers& h)
{
    h[9] = [](Player& pl, const Record& r) { pl.dc.s.windowExt = pointL(r, r.p), pl.dc.mapped(); };
    h[10] = [](Player& pl, const Record& r) { pl.dc.s.windowOrg = pointL(r, r.p), pl.dc.mapped(); };
    h[11] = [](Player& pl, const Record& r) { pl.dc.s.viewportExt = pointL(r, r.p), pl.dc.mapped(); };
    h[12] = [](Player& pl, const Record& r) { pl.dc.s.viewportOrg = pointL(r, r.p), pl.dc.mapped(); };
    h[17] = [](Player& pl, const Record& r) { pl.dc.setMapMode(r.in.u32(r.p)); };
    // SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX: each extent times a fraction.
    static constexpr auto scale = [](QPointF& ext, const Record& r) {
        const int xd = r.in.s32(r.p + 4), yd = r.in.s32(r.p + 12);
        if (xd && yd)
            ext = QPointF(ext.x() * r.in.s32(r.p) / xd, ext.y() * r.in.s32(r.p + 8) / yd);
    };
    h[31] = [](Player& pl, const Record& r) { scale(pl.dc.s.viewportExt, r), pl.dc.mapped(); };
    h[32] = [](Player& pl, const Record& r) { scale(pl.dc.s.windowExt, r), pl.dc.mapped(); };
    h[35] = [](Player& pl, const Record& r) { pl.dc.modifyWorld(xform(r, r.p), 4); };
    h[36] = [](Player& pl, const Record& r) { pl.dc.modifyWorld(xform(r, r.p), r.in.u32(r.p + 24)); };
    h[33] = [](Player& pl, const Record&) { pl.dc.save(); };
    h[34] = [](Player& pl, const Record& r) { pl.dc.restore(r.in.s32(r.p)); };
}

void settingRecords(Handlers& h)
{
    h[18] = [](Player& pl, const Record& r) { pl.dc.s.opaque = r.in.u32(r.p) == 2; };
    h[19] = [](Player& pl, const Record& r) {
        pl.dc.s.fillRule = r.in.u32(r.p) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
    };
    h[22] = [](Player& pl, const Record& r) { pl.dc.s.textAlign = r.in.u32(r.p); };
    h[24] = [](Player& pl, const Record& r) { pl.dc.s.textColour = colorRef(r.in.u32(r.p)); };
    h[25] = [](Player& pl, const Record& r) { pl.dc.s.background = colorRef(r.in.u32(r.p)); };
    h[57] = [](Player& pl, const Record& r) { pl.dc.s.clockwise = r.in.u32(r.p) == 2; };
    h[58] = [](Player& pl, const Record& r) { pl.dc.s.miterLimit = std::clamp<double>(r.in.u32(r.p), 1, 100); };
}

void objectRecords(Handlers& h)
{
    h[38] = [](Player& pl, const Record& r) { // CREATEPEN
        pl.objects.put(r.in.u32(r.p),
                       Pen{r.in.u32(r.p + 4), double(r.in.s32(r.p + 8)), colorRef(r.in.u32(r.p + 16)), {}});
    };
    h[95] = [](Player& pl, const Record& r) { // EXTCREATEPEN
        const Bytes& in = r.in;
        Pen pen{in.u32(r.p + 20), double(in.u32(r.p + 24)), colorRef(in.u32(r.p + 32)), {}};
        if ((pen.style & 0xF0000) == 0)
            pen.width = 0; // a cosmetic pen is a pixel wide
        if (in.u32(r.p + 28) == 1)
            pen.style = (pen.style & ~0xFu) | 5; // drawn with the null brush
        const qsizetype entries = std::min<qsizetype>(in.u32(r.p + 40), (r.end() - r.p - 44) / 4);
        for (qsizetype i = 0; i < std::min<qsizetype>(entries, 32); ++i)
            pen.dashes.push_back(in.u32(r.p + 44 + 4 * i));
        pl.objects.put(in.u32(r.p), pen);
    };
    h[39] = [](Player& pl, const Record& r) { // CREATEBRUSHINDIRECT
        pl.objects.put(r.in.u32(r.p), Brush{r.in.u32(r.p + 4), colorRef(r.in.u32(r.p + 8)), r.in.u32(r.p + 12), {}});
    };
    // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT: a bitmap that tiles.
    static constexpr Handler pattern = [](Player& pl, const Record& r) {
        Brush brush{3, Qt::black, 0, {}};
        brush.pattern = decodeDib(pl.data, r.at + r.in.u32(r.p + 8), r.in.u32(r.p + 12), r.at + r.in.u32(r.p + 16),
                                  r.in.u32(r.p + 20));
        if (brush.pattern.isNull())
            brush.style = 0;
        pl.objects.put(r.in.u32(r.p), brush);
    };
    h[93] = pattern;
    h[94] = pattern;
    h[82] = [](Player& pl, const Record& r) { // EXTCREATEFONTINDIRECTW
        const Bytes& in = r.in;
        QString name;
        for (qsizetype i = 0; i < 32 && r.p + 32 + 2 * i + 1 < r.end(); ++i) {
            const char16_t letter = static_cast<char16_t>(in.u16(r.p + 32 + 2 * i));
            if (!letter)
                break;
            name += QChar(letter);
        }
        pl.objects.put(in.u32(r.p), Font{in.s32(r.p + 4), in.s32(r.p + 12), in.s32(r.p + 20), in.u8(r.p + 24) != 0,
                                         in.u8(r.p + 25) != 0, in.u8(r.p + 26) != 0, in.u8(r.p + 27), name});
    };
    h[49] = [](Player& pl, const Record& r) { pl.objects.put(r.in.u32(r.p), Unused{}); }; // CREATEPALETTE
    h[37] = [](Player& pl, const Record& r) {                                             // SELECTOBJECT
        const std::uint32_t index = r.in.u32(r.p);
        if (index & 0x80000000) {
            if (const std::optional<GdiObject> object = stock(index))
                pl.dc.select(*object);
        } else if (const GdiObject* object = pl.objects.at(index)) {
            pl.dc.select(*object);
        }
    };
    h[40] = [](Player& pl, const Record& r) { pl.objects.remove(r.in.u32(r.p)); };
}

void lineRecords(Handlers& h)
{
    h[27] = [](Player& pl, const Record& r) { pl.dc.moveTo(pointL(r, r.p)); };
    h[54] = [](Player& pl, const Record& r) { pl.dc.lineTo(pointL(r, r.p)); };
    for (std::uint32_t type : {2u, 85u}) // POLYBEZIER
        h[type] = [](Player& pl, const Record& r) { pl.dc.polyBezier(polyPoints(r, r.in.u32(r.at) == 85)); };
    for (std::uint32_t type : {3u, 86u}) // POLYGON
        h[type] = [](Player& pl, const Record& r) { pl.dc.polygons({polyPoints(r, r.in.u32(r.at) == 86)}); };
    for (std::uint32_t type : {4u, 87u}) // POLYLINE
        h[type] = [](Player& pl, const Record& r) { pl.dc.polyline(polyPoints(r, r.in.u32(r.at) == 87)); };
    for (std::uint32_t type : {5u, 88u}) // POLYBEZIERTO
        h[type] = [](Player& pl, const Record& r) { pl.dc.polyBezierTo(polyPoints(r, r.in.u32(r.at) == 88)); };
    for (std::uint32_t type : {6u, 89u}) // POLYLINETO
        h[type] = [](Player& pl, const Record& r) { pl.dc.polylineTo(polyPoints(r, r.in.u32(r.at) == 89)); };
    for (std::uint32_t type : {7u, 90u}) // POLYPOLYLINE
        h[type] = [](Player& pl, const Record& r) { pl.dc.polylines(polyPolyPoints(r, r.in.u32(r.at) == 90)); };
    for (std::uint32_t type : {8u, 91u}) // POLYPOLYGON
        h[type] = [](Player& pl, const Record& r) { pl.dc.polygons(polyPolyPoints(r, r.in.u32(r.at) == 91)); };
    for (std::uint32_t type : {56u, 92u}) // POLYDRAW: points, then a type byte for each
        h[type] = [](Player& pl, const Record& r) {
            const bool small = r.in.u32(r.at) == 92;
            const QPolygonF all = polyPoints(r, small);
            const qsizetype kinds = r.p + 20 + all.size() * (small ? 4 : 8);
            for (qsizetype i = 0; i < all.size(); ++i) {
                const std::uint32_t kind = r.in.u8(kinds + i);
                if ((kind & 6) == 6) {
                    pl.dc.moveTo(all[i]);
                } else if ((kind & 6) == 4 && i + 2 < all.size()) {
                    pl.dc.polyBezierTo(all.mid(i, 3));
                    i += 2;
                } else {
                    pl.dc.lineTo(all[i]);
                }
                if (kind & 1)
                    pl.dc.closeFigure();
            }
        };
    h[15] = [](Player& pl, const Record& r) { pl.dc.pixel(pointL(r, r.p), colorRef(r.in.u32(r.p + 8))); };
}

void shapeRecords(Handlers& h)
{
    h[42] = [](Player& pl, const Record& r) { pl.dc.ellipse(rectL(r, r.p)); };
    h[43] = [](Player& pl, const Record& r) { pl.dc.rectangle(rectL(r, r.p)); };
    h[44] = [](Player& pl, const Record& r) {
        pl.dc.roundRect(rectL(r, r.p), QSizeF(r.in.s32(r.p + 16), r.in.s32(r.p + 20)));
    };
    h[45] = [](Player& pl, const Record& r) {
        pl.dc.arc(ArcShape::Arc, rectL(r, r.p), pointL(r, r.p + 16), pointL(r, r.p + 24));
    };
    h[46] = [](Player& pl, const Record& r) {
        pl.dc.arc(ArcShape::Chord, rectL(r, r.p), pointL(r, r.p + 16), pointL(r, r.p + 24));
    };
    h[47] = [](Player& pl, const Record& r) {
        pl.dc.arc(ArcShape::Pie, rectL(r, r.p), pointL(r, r.p + 16), pointL(r, r.p + 24));
    };
    h[55] = [](Player& pl, const Record& r) { pl.dc.arcTo(rectL(r, r.p), pointL(r, r.p + 16), pointL(r, r.p + 24)); };
    h[41] = [](Player& pl, const Record& r) {
        pl.dc.angleArc(pointL(r, r.p), r.in.u32(r.p + 8), r.in.f32(r.p + 12), r.in.f32(r.p + 16));
    };
}

void pathRecords(Handlers& h)
{
    h[59] = [](Player& pl, const Record&) { pl.dc.beginPath(); };
    h[60] = [](Player& pl, const Record&) { pl.dc.endPath(); };
    h[61] = [](Player& pl, const Record&) { pl.dc.closeFigure(); };
    h[62] = [](Player& pl, const Record&) { pl.dc.fillPath(); };
    h[63] = [](Player& pl, const Record&) { pl.dc.strokeAndFillPath(); };
    h[64] = [](Player& pl, const Record&) { pl.dc.strokePath(); };
    h[66] = [](Player& pl, const Record&) { pl.dc.widenPath(); };
    h[67] = [](Player& pl, const Record& r) { pl.dc.selectClipPath(r.in.u32(r.p)); };
    h[68] = [](Player& pl, const Record&) { pl.dc.abortPath(); };
}

// A region's area, in device units, mapped back to the logical units of the current mapping.
QPainterPath logicalArea(const Dc& dc, const QPainterPath& device)
{
    const QTransform toDevice = dc.logicalToDevice();
    return toDevice.isInvertible() ? toDevice.inverted().map(device) : QPainterPath();
}

void clipRecords(Handlers& h)
{
    h[29] = [](Player& pl, const Record& r) { pl.dc.excludeClipRect(rectL(r, r.p)); };
    h[30] = [](Player& pl, const Record& r) { pl.dc.intersectClipRect(rectL(r, r.p)); };
    h[26] = [](Player& pl, const Record& r) { pl.dc.offsetClip(pointL(r, r.p)); };
    h[75] = [](Player& pl, const Record& r) { // EXTSELECTCLIPRGN
        const qsizetype size = r.in.u32(r.p);
        const std::uint32_t mode = r.in.u32(r.p + 4);
        if (size == 0) {
            if (mode == std::uint32_t(Combine::Copy))
                pl.dc.combineClip(std::nullopt, mode);
            return;
        }
        if (const auto area = regionData(r.in, r.p + 8, r.p + 8 + std::min(size, r.end() - r.p - 8)))
            pl.dc.combineClip(area, mode);
    };
    h[71] = [](Player& pl, const Record& r) { // FILLRGN
        const GdiObject* object = pl.objects.at(r.in.u32(r.p + 20));
        const Brush* brush = object ? std::get_if<Brush>(object) : nullptr;
        const auto area = regionData(r.in, r.p + 24, r.end());
        if (brush && area)
            pl.dc.fillArea(logicalArea(pl.dc, *area), pl.dc.qtBrush(*brush));
    };
    h[74] = [](Player& pl, const Record& r) { // PAINTRGN
        if (const auto area = regionData(r.in, r.p + 20, r.end()))
            pl.dc.fillArea(logicalArea(pl.dc, *area), pl.dc.qtBrush(pl.dc.s.brush));
    };
}

// EXTTEXTOUTA and EXTTEXTOUTW: bounds, graphics mode, scales, then the text's own record.
void textRecord(Player& pl, const Record& r, bool wide)
{
    const Bytes& in = r.in;
    const qsizetype t = r.p + 28;
    const qsizetype count = in.u32(t + 8), offset = in.u32(t + 12), dx = in.u32(t + 36);
    const std::uint32_t options = in.u32(t + 16);
    if (count > r.size || !block(r, offset, count * (wide ? 2 : 1)))
        return;
    QString letters;
    if (wide) {
        for (qsizetype i = 0; i < count; ++i)
            letters += QChar(static_cast<char16_t>(in.u16(r.at + offset + 2 * i)));
    } else if (pl.dc.s.font.charset == 2) {
        for (qsizetype i = 0; i < count; ++i)
            letters += QChar(static_cast<char16_t>(in.u8(r.at + offset + i)));
    } else {
        letters = ui::fromAnsi(std::string_view(pl.data.constData() + r.at + offset, size_t(count)));
    }
    // ETO_PDY gives each letter an x and a y advance; only the x advances are followed.
    const qsizetype step = (options & 0x2000) ? 8 : 4;
    std::vector<double> advances;
    if (dx && block(r, dx, count * step))
        for (qsizetype i = 0; i < count; ++i)
            advances.push_back(in.s32(r.at + dx + step * i));
    std::optional<QRectF> box;
    if (options & 6)
        box = rectL(r, t + 20);
    pl.dc.text(pointL(r, t), letters, advances, options, box);
}

// The source bitmap of a blit: BITMAPINFO and bits at offsets from the record's start.
QImage sourceBitmap(Player& pl, const Record& r, qsizetype fields)
{
    const Bytes& in = r.in;
    const qsizetype infoAt = in.u32(fields), infoSize = in.u32(fields + 4);
    const qsizetype bitsAt = in.u32(fields + 8), bitsSize = in.u32(fields + 12);
    if (!block(r, infoAt, infoSize) || !block(r, bitsAt, bitsSize))
        return {};
    return decodeDib(pl.data, r.at + infoAt, infoSize, r.at + bitsAt, bitsSize);
}

// A 32-bit bitmap with its own premultiplied alpha, which the BMP reader drops: the pixels again, with it.
QImage ownAlpha(const Record& r, qsizetype fields, const QImage& image)
{
    const Bytes& in = r.in;
    const qsizetype header = r.at + in.u32(fields), bits = r.at + in.u32(fields + 8);
    const int width = in.s32(header + 4), height = in.s32(header + 8);
    const qsizetype rows = std::abs(qint64(height));
    if (image.isNull() || in.u16(header + 14) != 32 || width != image.width() || rows != image.height() ||
        qsizetype(in.u32(fields + 12)) < qsizetype(width) * rows * 4)
        return image;
    QImage out(image.size(), QImage::Format_ARGB32_Premultiplied);
    if (out.isNull())
        return image;
    for (qsizetype y = 0; y < rows; ++y) {
        const qsizetype row = bits + (height > 0 ? rows - 1 - y : y) * width * 4;
        std::memcpy(out.scanLine(int(y)), r.in.data.constData() + row, size_t(width) * 4);
    }
    // Colour above its alpha is no premultiplied colour: held to the alpha.
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int a = qAlpha(line[x]);
            line[x] = qRgba(std::min(qRed(line[x]), a), std::min(qGreen(line[x]), a), std::min(qBlue(line[x]), a), a);
        }
    }
    return out;
}

void bitmapRecords(Handlers& h)
{
    // BITBLT, STRETCHBLT, ALPHABLEND: a destination, a raster operation, a source of its own size or given.
    static constexpr Handler blit = [](Player& pl, const Record& r) {
        const Bytes& in = r.in;
        const std::uint32_t type = in.u32(r.at);
        const QRectF dest(in.s32(r.p + 16), in.s32(r.p + 20), in.s32(r.p + 24), in.s32(r.p + 28));
        const std::uint32_t rop = in.u32(r.p + 32);
        if (in.u32(r.p + 80) == 0) { // no source: the brush alone
            pl.dc.patternFill(dest, rop);
            return;
        }
        const QImage image = sourceBitmap(pl, r, r.p + 76);
        const QSizeF size = type == 76 ? dest.size() : QSizeF(in.s32(r.p + 92), in.s32(r.p + 96));
        pl.dc.bitmap(dest, image, QRectF(QPointF(in.s32(r.p + 36), in.s32(r.p + 40)), size), rop);
    };
    h[76] = blit;
    h[77] = blit;
    h[114] = [](Player& pl, const Record& r) { // ALPHABLEND: STRETCHBLT's fields, a blend for the operation
        const Bytes& in = r.in;
        const QRectF dest(in.s32(r.p + 16), in.s32(r.p + 20), in.s32(r.p + 24), in.s32(r.p + 28));
        QImage image = sourceBitmap(pl, r, r.p + 76);
        if (in.u8(r.p + 35) == 1) // AC_SRC_ALPHA
            image = ownAlpha(r, r.p + 76, image);
        const QRectF source(in.s32(r.p + 36), in.s32(r.p + 40), in.s32(r.p + 92), in.s32(r.p + 96));
        pl.dc.bitmap(dest, image, source, 0x00CC0020, in.u8(r.p + 34) / 255.0);
    };
    h[81] = [](Player& pl, const Record& r) { // STRETCHDIBITS
        const Bytes& in = r.in;
        const QImage image = sourceBitmap(pl, r, r.p + 40);
        const QRectF source(in.s32(r.p + 24), in.s32(r.p + 28), in.s32(r.p + 32), in.s32(r.p + 36));
        const QRectF dest(in.s32(r.p + 16), in.s32(r.p + 20), in.s32(r.p + 64), in.s32(r.p + 68));
        pl.dc.bitmap(dest, image, dibRows(in, r.at + in.u32(r.p + 40), image, source), in.u32(r.p + 60));
    };
    h[80] = [](Player& pl, const Record& r) { // SETDIBITSTODEVICE
        const Bytes& in = r.in;
        const QImage image = sourceBitmap(pl, r, r.p + 40);
        const QRectF source(in.s32(r.p + 24), in.s32(r.p + 28), in.s32(r.p + 32), in.s32(r.p + 36));
        const QRectF dest(QPointF(in.s32(r.p + 16), in.s32(r.p + 20)), source.size());
        pl.dc.bitmap(dest, image, dibRows(in, r.at + in.u32(r.p + 40), image, source), 0x00CC0020);
    };
}

void textAndEndRecords(Handlers& h)
{
    h[83] = [](Player& pl, const Record& r) { textRecord(pl, r, false); };
    h[84] = [](Player& pl, const Record& r) { textRecord(pl, r, true); };
    h[14] = [](Player& pl, const Record&) { pl.ended = true; };
}

const Handlers& handlers()
{
    static const Handlers table =
        handlerTable({mappingRecords, settingRecords, objectRecords, lineRecords, shapeRecords, pathRecords,
                      clipRecords, textAndEndRecords, bitmapRecords});
    return table;
}

} // namespace

void playEmf(const QByteArray& data, Dc& dc, std::uint32_t objectCount)
{
    Player player{data, Bytes{data}, dc, Objects(objectCount)};
    const Handlers& table = handlers();
    qsizetype at = 0;
    while (!player.ended && at + 8 <= data.size()) {
        const std::uint32_t type = player.in.u32(at);
        const qint64 size = player.in.u32(at + 4);
        if (size < 8 || size % 4 || size > data.size() - at)
            break;
        dispatch(player, table, type, Record{player.in, at, qsizetype(size), at + 8});
        at += size;
    }
}

} // namespace metafile
