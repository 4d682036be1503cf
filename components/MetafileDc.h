#pragma once

// The device context that WMF and EMF records draw through: mapping, objects, current position, path
// and clipping, as GDI keeps them, turned into QPainter calls.

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QString>
#include <QTransform>

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

class QPainter;

namespace metafile {

// Little-endian reads that answer 0 past the end, so a record cut short draws nothing wrong.
struct Bytes {
    const QByteArray& data;
    std::uint32_t u8(qsizetype at) const
    {
        return at >= 0 && at < data.size() ? static_cast<unsigned char>(data[at]) : 0;
    }
    std::uint32_t u16(qsizetype at) const { return u8(at) | (u8(at + 1) << 8); }
    std::uint32_t u32(qsizetype at) const { return u16(at) | (u16(at + 2) << 16); }
    int s16(qsizetype at) const { return static_cast<std::int16_t>(u16(at)); }
    int s32(qsizetype at) const { return static_cast<std::int32_t>(u32(at)); }
    float f32(qsizetype at) const;
};

// One record: its first byte, its length, and where its parameters begin.
struct Record {
    Bytes in;
    qsizetype at = 0;
    qsizetype size = 0;
    qsizetype p = 0;
    qsizetype end() const { return at + size; }
};

QColor colorRef(std::uint32_t value);

// Far beyond any drawing: coordinates and sizes are held inside it.
constexpr double Huge = 1e9;

// A transform that maps onto an area, with finite numbers: one that draws something.
bool usable(const QTransform& t);

struct Pen {
    std::uint32_t style = 0; // PS_ style, end cap, join and type bits
    double width = 0;
    QColor colour = Qt::black;
    std::vector<double> dashes; // PS_USERSTYLE lengths in logical units
};
struct Brush {
    std::uint32_t style = 0; // BS_SOLID, BS_NULL, BS_HATCHED, or a pattern
    QColor colour = Qt::white;
    std::uint32_t hatch = 0;
    QImage pattern;
};
struct Font {
    int height = 0;
    int escapement = 0; // tenths of a degree, anticlockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::uint32_t charset = 0;
    QString face;
};
// A region in logical units (WMF), kept to select or fill later.
struct Region {
    QPainterPath area;
};
// An object the drawing does not use (a palette) still takes its slot.
struct Unused {};
using GdiObject = std::variant<Pen, Brush, Font, Region, Unused>;

// The object table: a new object takes the lowest free slot (WMF) or the slot the record names (EMF).
class Objects {
public:
    explicit Objects(std::uint32_t size) : m_slots(size) {}
    void addLowest(const GdiObject& object);
    void put(std::uint32_t index, const GdiObject& object);
    const GdiObject* at(std::uint32_t index) const;
    void remove(std::uint32_t index);

private:
    std::vector<std::optional<GdiObject>> m_slots;
};

enum class MapMode : std::uint32_t {
    Text = 1,
    LoMetric,
    HiMetric,
    LoEnglish,
    HiEnglish,
    Twips,
    Isotropic,
    Anisotropic
};

// How a region combines with the clip: RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY.
enum class Combine : std::uint32_t { And = 1, Or, Xor, Diff, Copy };

// The arcs' shapes: an arc alone, closed by its chord, or by the two radii.
enum class ArcShape { Arc, Chord, Pie };

// A DIB (BITMAPINFO, then the bits) as an image; a null image when it cannot be read.
QImage decodeDib(const QByteArray& data, qsizetype infoAt, qsizetype infoSize, qsizetype bitsAt, qsizetype bitsSize);
// A packed DIB, the bits right after the header and its colour table, as WMF records hold it.
QImage decodePackedDib(const QByteArray& data, qsizetype at, qsizetype end);

// A DIB's rows run upwards unless its height is negative: the source rectangle, counted from the first
// row, as the image's own rows, for the DIB whose header begins at header.
QRectF dibRows(const Bytes& in, qsizetype header, const QImage& image, QRectF source);

// The letter a Symbol font shows for a code, so Greek letters come out Greek.
QChar symbolLetter(QChar code);

// A GDI region (RGNDATA: header and rectangles, device units) as an area; nothing when damaged.
std::optional<QPainterPath> regionData(const Bytes& in, qsizetype at, qsizetype end);

class Dc {
public:
    // deviceToPainter places the drawing's device units on the painter; clip bounds it there.
    Dc(QPainter& painter, const QTransform& deviceToPainter, const QPainterPath& clip, double pixelsPerMmX,
       double pixelsPerMmY);

    // The state SAVEDC keeps and RESTOREDC brings back.
    struct State {
        MapMode mapMode = MapMode::Text;
        QPointF windowOrg, windowExt{1, 1}, viewportOrg, viewportExt{1, 1};
        QTransform world;
        Pen pen;
        Brush brush;
        Font font;
        QColor textColour = Qt::black;
        QColor background = Qt::white;
        bool opaque = true;
        std::uint32_t textAlign = 0;
        Qt::FillRule fillRule = Qt::OddEvenFill;
        bool clockwise = false;
        double miterLimit = 10;
        QPointF position;
        std::optional<QPainterPath> clip; // device units; none: the whole picture
    };
    State s;

    // Mapping and state records.
    void mapped(); // after the mapping fields changed
    void setMapMode(std::uint32_t mode);
    void modifyWorld(const QTransform& xform, std::uint32_t mode);
    void save();
    void restore(int which);
    void select(const GdiObject& object);

    // Drawing records, in logical units.
    void moveTo(QPointF at);
    void lineTo(QPointF to);
    void polyline(const QPolygonF& points);
    void polylineTo(const QPolygonF& points);
    void polyBezier(const QPolygonF& points);
    void polyBezierTo(const QPolygonF& points);
    void polygons(const std::vector<QPolygonF>& polygons);
    void polylines(const std::vector<QPolygonF>& lines);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    void arc(ArcShape shape, const QRectF& box, QPointF start, QPointF end);
    void arcTo(const QRectF& box, QPointF start, QPointF end);
    void angleArc(QPointF centre, double radius, double startAngle, double sweepAngle);
    void pixel(QPointF at, QColor colour);
    void text(QPointF reference, QString letters, const std::vector<double>& advances, std::uint32_t options,
              const std::optional<QRectF>& box);
    // A SRCPAINT bitmap is held until the next record: a SRCAND bitmap into the same place is the image
    // that the held mask lets through, and the pair is drawn as one masked copy.
    void bitmap(const QRectF& dest, const QImage& image, const QRectF& source, std::uint32_t rop, double opacity = 1);
    // Draws a held SRCPAINT bitmap as it stands, when what follows is not its image.
    void drawHeldMask();
    void patternFill(const QRectF& dest, std::uint32_t rop);
    void fillArea(const QPainterPath& logical, const QBrush& brush);

    // Paths.
    void beginPath();
    void endPath() { m_recording = false; }
    void abortPath();
    void closeFigure();
    void fillPath() { finishPath(true, false); }
    void strokePath() { finishPath(false, true); }
    void strokeAndFillPath() { finishPath(true, true); }
    void widenPath();
    void selectClipPath(std::uint32_t mode);

    // Clipping.
    void intersectClipRect(const QRectF& logical);
    void excludeClipRect(const QRectF& logical);
    void combineClip(const std::optional<QPainterPath>& deviceArea, std::uint32_t mode);
    void offsetClip(QPointF logical);

    QTransform logicalToDevice() const;
    QBrush qtBrush(const Brush& brush) const;

private:
    void draw(const QPainterPath& logical, bool fill, bool stroke);
    void blit(const QRectF& dest, const QImage& image, const QRectF& from, std::uint32_t rop, double opacity,
              const QTransform& onPainter);
    void extend(const QPainterPath& logical); // a figure that goes on from the current position
    void applyClip();
    void applyTransform();
    QPen qtPen() const;
    void finishPath(bool fill, bool stroke);
    QPainterPath everything() const;

    QPainter& m_painter;
    QTransform m_deviceToPainter;
    QPainterPath m_baseClip;
    double m_pixelsPerMmX, m_pixelsPerMmY;
    std::vector<State> m_saved;
    // The path being recorded, in device units: GDI fixes its points as they are drawn.
    bool m_recording = false;
    bool m_figureOpen = false;
    QPainterPath m_path;
    struct HeldMask {
        QRectF dest;
        QImage image;
        QRectF from;
        QTransform onPainter;
    };
    std::optional<HeldMask> m_heldMask;
};

} // namespace metafile
