#include "Metafile.h"

#include "PictureService.h"
#include "ui/AnsiText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <variant>
#include <vector>

namespace {

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t EmfSignature = 0x464D4520; // " EMF"
// More objects than any drawing needs; a header asking for more is damaged.
constexpr std::uint32_t MaxObjects = 4096;

// Little-endian reads that answer 0 past the end, so a record cut short draws nothing wrong.
struct Bytes {
    const QByteArray& data;
    std::uint32_t u8(qsizetype at) const {
        return at >= 0 && at < data.size() ? static_cast<unsigned char>(data[at]) : 0;
    }
    std::uint32_t u16(qsizetype at) const { return u8(at) | (u8(at + 1) << 8); }
    std::uint32_t u32(qsizetype at) const { return u16(at) | (u16(at + 2) << 16); }
    int s16(qsizetype at) const { return static_cast<std::int16_t>(u16(at)); }
    int s32(qsizetype at) const { return static_cast<std::int32_t>(u32(at)); }
};

QColor colorRef(std::uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

struct Pen {
    std::uint32_t style = 0;
    int width = 0;
    QColor colour = Qt::black;
};
struct Brush {
    std::uint32_t style = 0;
    QColor colour = Qt::white;
    std::uint32_t hatch = 0;
};
struct Font {
    int height = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    QString face;
};
using GdiObject = std::variant<Pen, Brush, Font>;

// The drawing state of a device context, as the records change it.
class Context {
public:
    Context(QPainter& painter, QTransform deviceToImage) : m_painter(painter), m_deviceToImage(deviceToImage) {
        select(Pen{});
        select(Brush{});
        select(Font{});
        place();
    }

    // Logical coordinates: the window's origin and extent on the viewport's (identity until set).
    QPoint windowOrg, windowExt{1, 1}, viewportOrg, viewportExt{1, 1};
    bool scaled = true; // window and viewport extents apply
    QPointF position;
    QColor textColour = Qt::black;
    std::uint32_t textAlign = 0;
    bool opaqueText = true;
    QColor background = Qt::white;

    void place() {
        QTransform logical;
        const double sx = scaled && windowExt.x() ? double(viewportExt.x()) / windowExt.x() : 1.0;
        const double sy = scaled && windowExt.y() ? double(viewportExt.y()) / windowExt.y() : 1.0;
        logical.translate(viewportOrg.x(), viewportOrg.y());
        logical.scale(sx, sy);
        // Negated as doubles: an origin at the lowest integer has no negative among the integers.
        logical.translate(-double(windowOrg.x()), -double(windowOrg.y()));
        m_painter.setTransform(logical * m_deviceToImage);
    }

    void select(const GdiObject& object) {
        if (const Pen* pen = std::get_if<Pen>(&object)) {
            static constexpr Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                                      Qt::DashDotDotLine, Qt::NoPen, Qt::SolidLine};
            // A width below nothing is the thinnest line, as GDI draws it.
            QPen qpen(pen->colour, std::clamp(pen->width, 0, 32767));
            qpen.setStyle(styles[std::min<std::uint32_t>(pen->style & 0xF, 6)]);
            qpen.setCosmetic(pen->width <= 0);
            m_painter.setPen(qpen);
        } else if (const Brush* brush = std::get_if<Brush>(&object)) {
            static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                         Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
            if (brush->style == 1)
                m_painter.setBrush(Qt::NoBrush);
            else if (brush->style == 2)
                m_painter.setBrush(QBrush(brush->colour, hatches[std::min<std::uint32_t>(brush->hatch, 5)]));
            else
                m_painter.setBrush(brush->colour);
        } else if (const Font* font = std::get_if<Font>(&object)) {
            QFont qfont(font->face.isEmpty() ? QStringLiteral("Arial") : font->face);
            // A negative height is the letters' own height, a positive one the whole cell's; both are
            // close enough to Qt's pixel size for a picture.
            qfont.setPixelSize(std::max(std::abs(std::clamp(font->height, -4096, 4096)), 1));
            if (font->height == 0) qfont.setPixelSize(12);
            qfont.setWeight(static_cast<QFont::Weight>(std::clamp(font->weight / 10 * 10, 100, 900)));
            qfont.setItalic(font->italic);
            qfont.setUnderline(font->underline);
            m_painter.setFont(qfont);
        }
    }

    void text(QPointF at, const QString& text) {
        const QFontMetricsF metrics(m_painter.font());
        const double width = metrics.horizontalAdvance(text);
        // TA_CENTER, TA_RIGHT; then TA_BASELINE or TA_BOTTOM, else the top of the cell.
        if ((textAlign & 6) == 6)
            at.rx() -= width / 2;
        else if (textAlign & 2)
            at.rx() -= width;
        if ((textAlign & 24) == 24) {
        } else if (textAlign & 8) {
            at.ry() -= metrics.descent();
        } else {
            at.ry() += metrics.ascent();
        }
        if (opaqueText)
            m_painter.fillRect(QRectF(at.x(), at.y() - metrics.ascent(), width, metrics.height()), background);
        // Letters that come out huge on the image in either direction are filled as outlines: the font
        // engine's glyph cache fails on glyphs of that size.
        const QTransform& t = m_painter.transform();
        const double scale = std::max(std::abs(t.m11()) + std::abs(t.m21()), std::abs(t.m12()) + std::abs(t.m22()));
        if (!(m_painter.font().pixelSize() * scale <= 512)) {
            QPainterPath outline;
            outline.addText(at, m_painter.font(), text);
            m_painter.fillPath(outline, textColour);
            return;
        }
        m_painter.save();
        m_painter.setPen(textColour);
        m_painter.drawText(at, text);
        m_painter.restore();
    }

    QPainter& painter() { return m_painter; }

private:
    QPainter& m_painter;
    QTransform m_deviceToImage;
};

// The object table: a new object takes the lowest free slot (WMF) or the slot the record names (EMF).
class Objects {
public:
    explicit Objects(std::uint32_t size) : m_slots(size) {}
    void addLowest(const GdiObject& object) {
        for (auto& slot : m_slots)
            if (!slot) {
                slot = object;
                return;
            }
    }
    void put(std::uint32_t index, const GdiObject& object) {
        if (index < m_slots.size()) m_slots[index] = object;
    }
    const GdiObject* at(std::uint32_t index) const {
        return index < m_slots.size() && m_slots[index] ? &*m_slots[index] : nullptr;
    }
    void remove(std::uint32_t index) {
        if (index < m_slots.size()) m_slots[index].reset();
    }

private:
    std::vector<std::optional<GdiObject>> m_slots;
};

QString ansiText(const QByteArray& data, qsizetype at, qsizetype length) {
    if (at < 0 || length <= 0 || at >= data.size()) return {};
    return ui::fromAnsi(std::string_view(data.constData() + at, size_t(std::min(length, data.size() - at))));
}

std::optional<QSize> pixelSize(long long himetricWidth, long long himetricHeight, int maxSide) {
    const long long width = (himetricWidth * ScreenDpi + HimetricPerInch / 2) / HimetricPerInch;
    const long long height = (himetricHeight * ScreenDpi + HimetricPerInch / 2) / HimetricPerInch;
    if (width < 1 || height < 1 || width > maxSide || height > maxSide) return std::nullopt;
    // Qt's bound on the memory of one decoded image holds for the images drawn here too.
    const long long limit = QImageReader::allocationLimit();
    if (limit > 0 && width * height * 4 > limit * 1024 * 1024) return std::nullopt;
    return QSize(int(width), int(height));
}

QImage blankImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

std::optional<MetafilePicture> decodeWmf(const QByteArray& data, int maxSide) {
    const Bytes in{data};
    if (data.size() < 22 + 18) return std::nullopt;
    const int left = in.s16(6), top = in.s16(8), right = in.s16(10), bottom = in.s16(12);
    const int inch = static_cast<int>(in.u16(14));
    if (inch == 0 || right <= left || bottom <= top) return std::nullopt;
    const long long hmWidth = (long long)(right - left) * HimetricPerInch / inch;
    const long long hmHeight = (long long)(bottom - top) * HimetricPerInch / inch;
    const std::optional<QSize> size = pixelSize(hmWidth, hmHeight, maxSide);
    const std::uint32_t headerWords = in.u16(22 + 2), objectCount = in.u16(22 + 10);
    if (!size || headerWords != 9 || objectCount > MaxObjects) return std::nullopt;

    MetafilePicture picture{blankImage(*size), int(hmWidth), int(hmHeight)};
    QPainter painter(&picture.image);
    painter.setRenderHint(QPainter::Antialiasing);
    // The placeable bounds fill the image; the window maps the drawing's own units onto them.
    QTransform device;
    device.scale(double(size->width()) / (right - left), double(size->height()) / (bottom - top));
    device.translate(-left, -top);
    Context dc(painter, device);
    dc.windowOrg = QPoint(left, top);
    dc.viewportOrg = QPoint(left, top);
    dc.windowExt = dc.viewportExt = QPoint(right - left, bottom - top);
    dc.place();
    Objects objects(objectCount);

    auto point = [&](qsizetype at) { return QPointF(in.s16(at), in.s16(at + 2)); }; // x, then y
    qsizetype at = 22 + 18;
    while (at + 6 <= data.size()) {
        const qint64 bytes = qint64(in.u32(at)) * 2;
        const std::uint32_t function = in.u16(at + 4);
        if (function == 0 || bytes < 6 || bytes > data.size() - at) break;
        const qsizetype p = at + 6; // the parameters, most of them given last first
        switch (function) {
        case 0x020B: // SETWINDOWORG
            dc.windowOrg = QPoint(in.s16(p + 2), in.s16(p));
            dc.place();
            break;
        case 0x020C: // SETWINDOWEXT
            dc.windowExt = QPoint(in.s16(p + 2), in.s16(p));
            dc.place();
            break;
        case 0x02FA: // CREATEPENINDIRECT
            objects.addLowest(Pen{in.u16(p), in.s16(p + 2), colorRef(in.u32(p + 6))});
            break;
        case 0x02FC: // CREATEBRUSHINDIRECT
            objects.addLowest(Brush{in.u16(p), colorRef(in.u32(p + 2)), in.u16(p + 6)});
            break;
        case 0x02FB: { // CREATEFONTINDIRECT
            QByteArray face = data.mid(p + 18, std::clamp<qsizetype>(bytes - 24, 0, 32));
            face.truncate(qsizetype(std::strlen(face.constData())));
            objects.addLowest(Font{in.s16(p), in.s16(p + 8), in.u8(p + 10) != 0, in.u8(p + 11) != 0,
                                   ui::fromAnsi(std::string_view(face.constData(), size_t(face.size())))});
            break;
        }
        case 0x012D: // SELECTOBJECT
            if (const GdiObject* object = objects.at(in.u16(p))) dc.select(*object);
            break;
        case 0x01F0: // DELETEOBJECT
            objects.remove(in.u16(p));
            break;
        case 0x0209: // SETTEXTCOLOR
            dc.textColour = colorRef(in.u32(p));
            break;
        case 0x0201: // SETBKCOLOR
            dc.background = colorRef(in.u32(p));
            break;
        case 0x0102: // SETBKMODE
            dc.opaqueText = in.u16(p) == 2;
            break;
        case 0x012E: // SETTEXTALIGN
            dc.textAlign = in.u16(p);
            break;
        case 0x0214: // MOVETO
            dc.position = QPointF(in.s16(p + 2), in.s16(p));
            break;
        case 0x0213: { // LINETO
            const QPointF to(in.s16(p + 2), in.s16(p));
            painter.drawLine(dc.position, to);
            dc.position = to;
            break;
        }
        case 0x0325:   // POLYLINE
        case 0x0324: { // POLYGON
            const qsizetype count = std::min<qsizetype>(in.s16(p), (bytes - 8) / 4);
            QPolygonF polygon;
            for (qsizetype i = 0; i < count; ++i)
                polygon << point(p + 2 + 4 * i);
            function == 0x0325 ? painter.drawPolyline(polygon) : painter.drawPolygon(polygon);
            break;
        }
        case 0x041B:   // RECTANGLE
        case 0x0418: { // ELLIPSE
            const QRectF box(QPointF(in.s16(p + 6), in.s16(p + 4)), QPointF(in.s16(p + 2), in.s16(p)));
            function == 0x041B ? painter.drawRect(box) : painter.drawEllipse(box);
            break;
        }
        case 0x0521: { // TEXTOUT
            const qsizetype length = std::clamp<qsizetype>(in.s16(p), 0, bytes - 8);
            const qsizetype after = p + 2 + (length + 1) / 2 * 2;
            dc.text(QPointF(in.s16(after + 2), in.s16(after)), ansiText(data, p + 2, length));
            break;
        }
        case 0x0A32: { // EXTTEXTOUT
            const qsizetype length = std::max(in.s16(p + 4), 0);
            const qsizetype text = p + 8 + ((in.u16(p + 6) & 6) ? 8 : 0);
            dc.text(QPointF(in.s16(p + 2), in.s16(p)), ansiText(data, text, std::min(length, at + bytes - text)));
            break;
        }
        default:
            break;
        }
        at += bytes;
    }
    return picture;
}

std::optional<MetafilePicture> decodeEmf(const QByteArray& data, int maxSide) {
    const Bytes in{data};
    if (data.size() < 88) return std::nullopt;
    // The frame is in hundredths of a millimetre, inclusive; the reference device gives its pixels.
    const long long frameLeft = in.s32(24), frameTop = in.s32(28), frameRight = in.s32(32), frameBottom = in.s32(36);
    const long long hmWidth = frameRight - frameLeft + 1, hmHeight = frameBottom - frameTop + 1;
    const long long devicePixelsX = in.s32(72), devicePixelsY = in.s32(76);
    const long long deviceMmX = in.s32(80), deviceMmY = in.s32(84);
    const std::uint32_t objectCount = in.u16(56);
    const std::optional<QSize> size = pixelSize(hmWidth, hmHeight, maxSide);
    if (!size || devicePixelsX <= 0 || devicePixelsY <= 0 || deviceMmX <= 0 || deviceMmY <= 0 ||
        objectCount > MaxObjects)
        return std::nullopt;

    MetafilePicture picture{blankImage(*size), int(hmWidth), int(hmHeight)};
    QPainter painter(&picture.image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Reference-device pixels onto the image: the frame, in those pixels, fills it.
    const double pixelsPerHmX = double(devicePixelsX) / (deviceMmX * 100.0);
    const double pixelsPerHmY = double(devicePixelsY) / (deviceMmY * 100.0);
    QTransform device;
    device.scale(size->width() / (hmWidth * pixelsPerHmX), size->height() / (hmHeight * pixelsPerHmY));
    device.translate(-frameLeft * pixelsPerHmX, -frameTop * pixelsPerHmY);
    Context dc(painter, device);
    dc.scaled = false;
    dc.place();
    Objects objects(objectCount);

    auto rect = [&](qsizetype at) {
        return QRectF(QPointF(in.s32(at), in.s32(at + 4)), QPointF(in.s32(at + 8), in.s32(at + 12)));
    };
    auto stock = [&](std::uint32_t index) -> std::optional<GdiObject> {
        switch (index & 0x7FFFFFFF) {
        case 0: return Brush{0, Qt::white, 0};
        case 1: return Brush{0, QColor(192, 192, 192), 0};
        case 2: return Brush{0, QColor(128, 128, 128), 0};
        case 3: return Brush{0, QColor(64, 64, 64), 0};
        case 4: return Brush{0, Qt::black, 0};
        case 5: return Brush{1, Qt::black, 0};
        case 6: return Pen{0, 0, Qt::white};
        case 7: return Pen{0, 0, Qt::black};
        case 8: return Pen{5, 0, Qt::black};
        default: return index & 0x7FFFFFFF ? std::optional<GdiObject>(Font{}) : std::nullopt;
        }
    };
    auto mapModeScaled = [](std::uint32_t mode) { return mode == 7 || mode == 8; }; // ISOTROPIC, ANISOTROPIC

    qsizetype at = 0;
    while (at + 8 <= data.size()) {
        const std::uint32_t type = in.u32(at);
        const qint64 bytes = in.u32(at + 4);
        if (bytes < 8 || bytes % 4 || bytes > data.size() - at) break;
        const qsizetype p = at + 8;
        switch (type) {
        case 14: // EOF
            return picture;
        case 9: // SETWINDOWEXTEX
            dc.windowExt = QPoint(in.s32(p), in.s32(p + 4));
            dc.place();
            break;
        case 10: // SETWINDOWORGEX
            dc.windowOrg = QPoint(in.s32(p), in.s32(p + 4));
            dc.place();
            break;
        case 11: // SETVIEWPORTEXTEX
            dc.viewportExt = QPoint(in.s32(p), in.s32(p + 4));
            dc.place();
            break;
        case 12: // SETVIEWPORTORGEX
            dc.viewportOrg = QPoint(in.s32(p), in.s32(p + 4));
            dc.place();
            break;
        case 17: // SETMAPMODE
            dc.scaled = mapModeScaled(in.u32(p));
            dc.place();
            break;
        case 18: // SETBKMODE
            dc.opaqueText = in.u32(p) == 2;
            break;
        case 22: // SETTEXTALIGN
            dc.textAlign = in.u32(p);
            break;
        case 24: // SETTEXTCOLOR
            dc.textColour = colorRef(in.u32(p));
            break;
        case 25: // SETBKCOLOR
            dc.background = colorRef(in.u32(p));
            break;
        case 27: // MOVETOEX
            dc.position = QPointF(in.s32(p), in.s32(p + 4));
            break;
        case 54: { // LINETO
            const QPointF to(in.s32(p), in.s32(p + 4));
            painter.drawLine(dc.position, to);
            dc.position = to;
            break;
        }
        case 3:    // POLYGON
        case 4:    // POLYLINE
        case 86:   // POLYGON16
        case 87: { // POLYLINE16
            const bool small = type >= 86;
            const qsizetype pointBytes = small ? 4 : 8;
            const qsizetype count = std::min<qsizetype>(in.u32(p + 16), (bytes - 28) / pointBytes);
            QPolygonF polygon;
            for (qsizetype i = 0; i < count; ++i) {
                const qsizetype q = p + 20 + i * pointBytes;
                polygon << (small ? QPointF(in.s16(q), in.s16(q + 2)) : QPointF(in.s32(q), in.s32(q + 4)));
            }
            (type == 4 || type == 87) ? painter.drawPolyline(polygon) : painter.drawPolygon(polygon);
            break;
        }
        case 42: // ELLIPSE
            painter.drawEllipse(rect(p));
            break;
        case 43: // RECTANGLE
            painter.drawRect(rect(p));
            break;
        case 38: // CREATEPEN
            objects.put(in.u32(p), Pen{in.u32(p + 4), in.s32(p + 8), colorRef(in.u32(p + 16))});
            break;
        case 39: // CREATEBRUSHINDIRECT
            objects.put(in.u32(p), Brush{in.u32(p + 4), colorRef(in.u32(p + 8)), in.u32(p + 12)});
            break;
        case 82: { // EXTCREATEFONTINDIRECTW
            const qsizetype face = p + 4 + 28;
            QString name;
            for (qsizetype i = 0; i < 32 && face + 2 * i + 1 < at + bytes; ++i) {
                const char16_t letter = static_cast<char16_t>(in.u16(face + 2 * i));
                if (!letter) break;
                name += QChar(letter);
            }
            objects.put(in.u32(p), Font{in.s32(p + 4), in.s32(p + 20), in.u8(p + 24) != 0, in.u8(p + 25) != 0, name});
            break;
        }
        case 37: { // SELECTOBJECT
            const std::uint32_t index = in.u32(p);
            if (index & 0x80000000) {
                if (const std::optional<GdiObject> object = stock(index)) dc.select(*object);
            } else if (const GdiObject* object = objects.at(index)) {
                dc.select(*object);
            }
            break;
        }
        case 40: // DELETEOBJECT
            objects.remove(in.u32(p));
            break;
        case 84: { // EXTTEXTOUTW
            const qsizetype text = p + 28;
            const qsizetype count = in.u32(text + 8), offset = in.u32(text + 12);
            QString letters;
            for (qsizetype i = 0; i < count && offset + 2 * i + 1 < bytes; ++i)
                letters += QChar(static_cast<char16_t>(in.u16(at + offset + 2 * i)));
            dc.text(QPointF(in.s32(text), in.s32(text + 4)), letters);
            break;
        }
        default:
            break;
        }
        at += bytes;
    }
    return picture;
}

} // namespace

bool IsMetafile(const QByteArray& bytes) {
    const Bytes in{bytes};
    return (bytes.size() >= 22 && in.u32(0) == PlaceableKey) ||
           (bytes.size() >= 44 && in.u32(0) == 1 && in.u32(40) == EmfSignature);
}

std::optional<MetafilePicture> DecodeMetafile(const QByteArray& bytes, int maxSide) {
    const Bytes in{bytes};
    if (bytes.size() >= 22 && in.u32(0) == PlaceableKey) return decodeWmf(bytes, maxSide);
    if (bytes.size() >= 44 && in.u32(0) == 1 && in.u32(40) == EmfSignature) return decodeEmf(bytes, maxSide);
    return std::nullopt;
}
