// The WMF records, one table of handlers filled by family. Most records give their parameters last
// first: y before x, bottom right before top left.

#include "MetafilePlay.h"
#include "ui/AnsiText.h"

#include <QRegion>

#include <algorithm>
#include <cstring>
#include <string_view>

namespace metafile {

namespace {

// A point stored y first, as most records hold it.
QPointF pointYX(const Record& r, qsizetype at) { return QPointF(r.in.s16(at + 2), r.in.s16(at)); }

// A rectangle stored bottom, right, top, left.
QRectF rectBRTL(const Record& r, qsizetype at)
{
    return QRectF(QPointF(r.in.s16(at + 6), r.in.s16(at + 4)), QPointF(r.in.s16(at + 2), r.in.s16(at)));
}

QString ansiText(const Player& pl, qsizetype at, qsizetype length)
{
    if (at < 0 || length <= 0 || at >= pl.data.size())
        return {};
    length = std::min(length, pl.data.size() - at);
    // A Symbol font's codes are its own, not the code page's letters.
    if (pl.dc.s.font.charset == 2) {
        QString codes;
        for (qsizetype i = 0; i < length; ++i)
            codes += QChar(static_cast<char16_t>(pl.in.u8(at + i)));
        return codes;
    }
    return ui::fromAnsi(std::string_view(pl.data.constData() + at, size_t(length)));
}

// A region object: a header, then bands of rows, each a top, a bottom and pairs of left and right.
Region region(const Record& r)
{
    const Bytes& in = r.in;
    const qsizetype scans = in.u16(r.p + 10);
    QRegion area;
    qsizetype at = r.p + 22;
    for (qsizetype i = 0; i < scans && at + 6 <= r.end(); ++i) {
        const qsizetype count = in.u16(at);
        const int top = in.s16(at + 2), bottom = in.s16(at + 4);
        for (qsizetype k = 0; k + 1 < count && at + 6 + 2 * k + 3 < r.end(); k += 2) {
            const int left = in.s16(at + 6 + 2 * k), right = in.s16(at + 8 + 2 * k);
            if (right > left && bottom > top)
                area += QRect(left, top, right - left, bottom - top);
        }
        at += 8 + 2 * count;
    }
    QPainterPath path;
    path.addRegion(area);
    return Region{path};
}

const Region* regionAt(const Player& pl, std::uint32_t index)
{
    const GdiObject* object = pl.objects.at(index);
    return object ? std::get_if<Region>(object) : nullptr;
}

const Brush* brushAt(const Player& pl, std::uint32_t index)
{
    const GdiObject* object = pl.objects.at(index);
    return object ? std::get_if<Brush>(object) : nullptr;
}

void mappingRecords(Handlers& h)
{
    h[0x020B] = [](Player& pl, const Record& r) { pl.dc.s.windowOrg = pointYX(r, r.p), pl.dc.mapped(); };
    h[0x020C] = [](Player& pl, const Record& r) { pl.dc.s.windowExt = pointYX(r, r.p), pl.dc.mapped(); };
    h[0x020F] = [](Player& pl, const Record& r) { pl.dc.s.windowOrg += pointYX(r, r.p), pl.dc.mapped(); };
    h[0x0410] = [](Player& pl, const Record& r) { // SCALEWINDOWEXT
        const int yDenom = r.in.s16(r.p), xDenom = r.in.s16(r.p + 4);
        if (!yDenom || !xDenom)
            return;
        QPointF& ext = pl.dc.s.windowExt;
        ext = QPointF(ext.x() * r.in.s16(r.p + 6) / xDenom, ext.y() * r.in.s16(r.p + 2) / yDenom);
        pl.dc.mapped();
    };
    h[0x001E] = [](Player& pl, const Record&) { pl.dc.save(); };
    h[0x0127] = [](Player& pl, const Record& r) { pl.dc.restore(r.in.s16(r.p)); };
}

void settingRecords(Handlers& h)
{
    h[0x0209] = [](Player& pl, const Record& r) { pl.dc.s.textColour = colorRef(r.in.u32(r.p)); };
    h[0x0201] = [](Player& pl, const Record& r) { pl.dc.s.background = colorRef(r.in.u32(r.p)); };
    h[0x0102] = [](Player& pl, const Record& r) { pl.dc.s.opaque = r.in.u16(r.p) == 2; };
    h[0x012E] = [](Player& pl, const Record& r) { pl.dc.s.textAlign = r.in.u16(r.p); };
    h[0x0106] = [](Player& pl, const Record& r) {
        pl.dc.s.fillRule = r.in.u16(r.p) == 2 ? Qt::WindingFill : Qt::OddEvenFill;
    };
}

void objectRecords(Handlers& h)
{
    h[0x02FA] = [](Player& pl, const Record& r) { // CREATEPENINDIRECT
        pl.objects.addLowest(Pen{r.in.u16(r.p), double(r.in.s16(r.p + 2)), colorRef(r.in.u32(r.p + 6)), {}});
    };
    h[0x02FC] = [](Player& pl, const Record& r) { // CREATEBRUSHINDIRECT
        pl.objects.addLowest(Brush{r.in.u16(r.p), colorRef(r.in.u32(r.p + 2)), r.in.u16(r.p + 6), {}});
    };
    h[0x0142] = [](Player& pl, const Record& r) { // DIBCREATEPATTERNBRUSH
        Brush brush{3, Qt::black, 0, decodePackedDib(pl.data, r.p + 4, r.end())};
        if (brush.pattern.isNull())
            brush.style = 0;
        pl.objects.addLowest(brush);
    };
    // Objects the drawing cannot use still take their slot, so later objects land where the file expects.
    h[0x01F9] = [](Player& pl, const Record&) { pl.objects.addLowest(Brush{0, Qt::gray, 0, {}}); };
    h[0x00F7] = [](Player& pl, const Record&) { pl.objects.addLowest(Unused{}); };
    h[0x06FF] = [](Player& pl, const Record& r) { pl.objects.addLowest(region(r)); };
    h[0x02FB] = [](Player& pl, const Record& r) { // CREATEFONTINDIRECT
        const Bytes& in = r.in;
        QByteArray face = pl.data.mid(r.p + 18, std::clamp<qsizetype>(r.end() - r.p - 18, 0, 32));
        face.truncate(qsizetype(std::strlen(face.constData())));
        pl.objects.addLowest(Font{in.s16(r.p), in.s16(r.p + 4), in.s16(r.p + 8), in.u8(r.p + 10) != 0,
                                  in.u8(r.p + 11) != 0, in.u8(r.p + 12) != 0, in.u8(r.p + 13),
                                  ui::fromAnsi(std::string_view(face.constData(), size_t(face.size())))});
    };
    h[0x012D] = [](Player& pl, const Record& r) { // SELECTOBJECT
        if (const GdiObject* object = pl.objects.at(r.in.u16(r.p)))
            pl.dc.select(*object);
    };
    h[0x01F0] = [](Player& pl, const Record& r) { pl.objects.remove(r.in.u16(r.p)); };
}

void lineRecords(Handlers& h)
{
    h[0x0214] = [](Player& pl, const Record& r) { pl.dc.moveTo(pointYX(r, r.p)); };
    h[0x0213] = [](Player& pl, const Record& r) { pl.dc.lineTo(pointYX(r, r.p)); };
    h[0x0325] = [](Player& pl, const Record& r) { pl.dc.polyline(points(r, r.p + 2, r.in.s16(r.p), true)); };
    h[0x0324] = [](Player& pl, const Record& r) { pl.dc.polygons({points(r, r.p + 2, r.in.s16(r.p), true)}); };
    h[0x0538] = [](Player& pl, const Record& r) { // POLYPOLYGON: the count, each polygon's count, the points
        const qsizetype count = std::min<qsizetype>(r.in.u16(r.p), (r.end() - r.p - 2) / 2);
        qsizetype at = r.p + 2 + 2 * count;
        std::vector<QPolygonF> polygons;
        for (qsizetype i = 0; i < count && at < r.end(); ++i) {
            polygons.push_back(points(r, at, r.in.u16(r.p + 2 + 2 * i), true));
            at += 4 * polygons.back().size();
        }
        pl.dc.polygons(polygons);
    };
    h[0x041F] = [](Player& pl, const Record& r) { pl.dc.pixel(pointYX(r, r.p + 4), colorRef(r.in.u32(r.p))); };
}

void shapeRecords(Handlers& h)
{
    h[0x041B] = [](Player& pl, const Record& r) { pl.dc.rectangle(rectBRTL(r, r.p)); };
    h[0x0418] = [](Player& pl, const Record& r) { pl.dc.ellipse(rectBRTL(r, r.p)); };
    h[0x061C] = [](Player& pl, const Record& r) {
        pl.dc.roundRect(rectBRTL(r, r.p + 4), QSizeF(r.in.s16(r.p + 2), r.in.s16(r.p)));
    };
    static constexpr auto arc = [](Player& pl, const Record& r, ArcShape shape) {
        pl.dc.arc(shape, rectBRTL(r, r.p + 8), pointYX(r, r.p + 4), pointYX(r, r.p));
    };
    h[0x0817] = [](Player& pl, const Record& r) { arc(pl, r, ArcShape::Arc); };
    h[0x0830] = [](Player& pl, const Record& r) { arc(pl, r, ArcShape::Chord); };
    h[0x081A] = [](Player& pl, const Record& r) { arc(pl, r, ArcShape::Pie); };
}

void regionRecords(Handlers& h)
{
    h[0x0416] = [](Player& pl, const Record& r) { pl.dc.intersectClipRect(rectBRTL(r, r.p)); };
    h[0x0415] = [](Player& pl, const Record& r) { pl.dc.excludeClipRect(rectBRTL(r, r.p)); };
    h[0x0220] = [](Player& pl, const Record& r) { pl.dc.offsetClip(pointYX(r, r.p)); };
    h[0x012C] = [](Player& pl, const Record& r) { // SELECTCLIPREGION
        const Region* region = regionAt(pl, r.in.u16(r.p));
        pl.dc.combineClip(region ? std::optional(pl.dc.logicalToDevice().map(region->area)) : std::nullopt,
                          std::uint32_t(Combine::Copy));
    };
    h[0x0228] = [](Player& pl, const Record& r) { // FILLREGION
        const Region* region = regionAt(pl, r.in.u16(r.p));
        const Brush* brush = brushAt(pl, r.in.u16(r.p + 2));
        if (region && brush)
            pl.dc.fillArea(region->area, pl.dc.qtBrush(*brush));
    };
    h[0x012B] = [](Player& pl, const Record& r) { // PAINTREGION
        if (const Region* region = regionAt(pl, r.in.u16(r.p)))
            pl.dc.fillArea(region->area, pl.dc.qtBrush(pl.dc.s.brush));
    };
}

void textRecords(Handlers& h)
{
    h[0x0521] = [](Player& pl, const Record& r) { // TEXTOUT: the length, the letters, y, x
        const qsizetype length = std::clamp<qsizetype>(r.in.s16(r.p), 0, r.size);
        const qsizetype after = r.p + 2 + (length + 1) / 2 * 2;
        pl.dc.text(pointYX(r, after), ansiText(pl, r.p + 2, std::min(length, r.end() - r.p - 2)), {}, 0, {});
    };
    h[0x0A32] = [](Player& pl, const Record& r) { // EXTTEXTOUT: y, x, length, options, a box, letters, advances
        const Bytes& in = r.in;
        const qsizetype length = std::clamp<qsizetype>(in.s16(r.p + 4), 0, r.size);
        const std::uint32_t options = in.u16(r.p + 6);
        std::optional<QRectF> box;
        qsizetype text = r.p + 8;
        if (options & 6) {
            box = QRectF(QPointF(in.s16(text), in.s16(text + 2)), QPointF(in.s16(text + 4), in.s16(text + 6)));
            text += 8;
        }
        const qsizetype letters = std::min(length, r.end() - text);
        std::vector<double> advances;
        const qsizetype dx = text + (length + 1) / 2 * 2;
        if (dx + 2 * length <= r.end())
            for (qsizetype i = 0; i < length; ++i)
                advances.push_back(in.s16(dx + 2 * i));
        pl.dc.text(pointYX(r, r.p), ansiText(pl, text, letters), advances, options, box);
    };
}

// A packed DIB from dib to the record's end, drawn from the source rectangle into the destination.
void drawDib(Player& pl, const Record& r, qsizetype dib, const QRectF& dest, const QRectF& source, std::uint32_t rop)
{
    const QImage image = decodePackedDib(pl.data, dib, r.end());
    pl.dc.bitmap(dest, image, dibRows(r.in, dib, image, source), rop);
}

void bitmapRecords(Handlers& h)
{
    h[0x061D] = [](Player& pl, const Record& r) { // PATBLT: operation, height, width, y, x
        const QPointF at = pointYX(r, r.p + 8);
        pl.dc.patternFill(QRectF(at, QSizeF(r.in.s16(r.p + 6), r.in.s16(r.p + 4))), r.in.u32(r.p));
    };
    // DIBBITBLT and DIBSTRETCHBLT, which gives the source's size after the operation: without a bitmap
    // they paint with the brush, one reserved word later.
    static constexpr Handler blit = [](Player& pl, const Record& r) {
        const Bytes& in = r.in;
        const qsizetype sizes = in.u16(r.at + 4) == 0x0B41 ? 4 : 0;
        const qsizetype dib = r.p + 16 + sizes;
        const bool none = r.end() - dib < 40;
        const qsizetype q = r.p + sizes + (none ? 2 : 0);
        const QRectF dest(pointYX(r, q + 12), QSizeF(in.s16(q + 10), in.s16(q + 8)));
        if (none)
            return pl.dc.patternFill(dest, in.u32(r.p));
        const QSizeF size = sizes ? QSizeF(in.s16(r.p + 6), in.s16(r.p + 4)) : dest.size();
        drawDib(pl, r, dib, dest, QRectF(pointYX(r, q + 4), size), in.u32(r.p));
    };
    h[0x0940] = blit;
    h[0x0B41] = blit;
    h[0x0F43] = [](Player& pl, const Record& r) { // STRETCHDIB
        const Bytes& in = r.in;
        const QRectF source(pointYX(r, r.p + 10), QSizeF(in.s16(r.p + 8), in.s16(r.p + 6)));
        const QRectF dest(pointYX(r, r.p + 18), QSizeF(in.s16(r.p + 16), in.s16(r.p + 14)));
        drawDib(pl, r, r.p + 22, dest, source, in.u32(r.p));
    };
    h[0x0D33] = [](Player& pl, const Record& r) { // SETDIBTODEV
        const Bytes& in = r.in;
        const QRectF source(pointYX(r, r.p + 6), QSizeF(in.s16(r.p + 12), in.s16(r.p + 10)));
        drawDib(pl, r, r.p + 18, QRectF(pointYX(r, r.p + 14), source.size()), source, 0x00CC0020);
    };
}

const Handlers& handlers()
{
    static const Handlers table = handlerTable({mappingRecords, settingRecords, objectRecords, lineRecords,
                                                shapeRecords, regionRecords, textRecords, bitmapRecords});
    return table;
}

} // namespace

void playWmf(const QByteArray& data, Dc& dc, std::uint32_t objectCount)
{
    Player player{data, Bytes{data}, dc, Objects(objectCount)};
    const Handlers& table = handlers();
    qsizetype at = 22 + 18; // the placeable header, then the metafile's own
    while (at + 6 <= data.size()) {
        const qint64 size = qint64(player.in.u32(at)) * 2;
        const std::uint32_t function = player.in.u16(at + 4);
        if (function == 0 || size < 6 || size > data.size() - at)
            break;
        dispatch(player, table, function, Record{player.in, at, qsizetype(size), at + 6});
        at += size;
    }
}

} // namespace metafile
