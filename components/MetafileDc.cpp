#include "MetafileDc.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace metafile {

float Bytes::f32(qsizetype at) const
{
    const std::uint32_t bits = u32(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? value : 0.0f;
}

QColor colorRef(std::uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

bool usable(const QTransform& t)
{
    const double d = t.determinant();
    return std::isfinite(d) && d != 0 && std::isfinite(t.dx()) && std::isfinite(t.dy());
}

void Objects::addLowest(const GdiObject& object)
{
    for (auto& slot : m_slots)
        if (!slot) {
            slot = object;
            return;
        }
}

void Objects::put(std::uint32_t index, const GdiObject& object)
{
    if (index < m_slots.size())
        m_slots[index] = object;
}

const GdiObject* Objects::at(std::uint32_t index) const
{
    return index < m_slots.size() && m_slots[index] ? &*m_slots[index] : nullptr;
}

void Objects::remove(std::uint32_t index)
{
    if (index < m_slots.size())
        m_slots[index].reset();
}

namespace {

// The angle, in degrees anticlockwise from three o'clock, at which a radial through the point meets the
// ellipse of the box, as QPainterPath::arcTo counts it.
double ellipseAngle(const QRectF& box, QPointF point)
{
    const QPointF centre = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    if (rx == 0 || ry == 0)
        return 0;
    return std::atan2(-(point.y() - centre.y()) / ry, (point.x() - centre.x()) / rx) * 180 / std::numbers::pi;
}

} // namespace

Dc::Dc(QPainter& painter, const QTransform& deviceToPainter, const QPainterPath& clip, double pixelsPerMmX,
       double pixelsPerMmY)
    : m_painter(painter), m_deviceToPainter(deviceToPainter), m_baseClip(clip), m_pixelsPerMmX(pixelsPerMmX),
      m_pixelsPerMmY(pixelsPerMmY)
{
    applyClip();
    applyTransform();
}

QTransform Dc::logicalToDevice() const
{
    double sx = 1, sy = 1;
    // Millimetres per unit of the fixed mapping modes; their y axis points up.
    static constexpr double mmPerUnit[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
    const auto mode = static_cast<std::uint32_t>(s.mapMode);
    if (mode >= 2 && mode <= 6) {
        sx = m_pixelsPerMmX * mmPerUnit[mode - 2];
        sy = -m_pixelsPerMmY * mmPerUnit[mode - 2];
    } else if (s.mapMode == MapMode::Isotropic || s.mapMode == MapMode::Anisotropic) {
        sx = s.windowExt.x() ? s.viewportExt.x() / s.windowExt.x() : 1;
        sy = s.windowExt.y() ? s.viewportExt.y() / s.windowExt.y() : 1;
        if (s.mapMode == MapMode::Isotropic) {
            const double both = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(both, sx);
            sy = std::copysign(both, sy);
        }
    }
    QTransform page;
    page.translate(s.viewportOrg.x(), s.viewportOrg.y());
    page.scale(sx, sy);
    page.translate(-s.windowOrg.x(), -s.windowOrg.y());
    return s.world * page;
}

void Dc::applyTransform() { m_painter.setTransform(logicalToDevice() * m_deviceToPainter); }

void Dc::mapped() { applyTransform(); }

void Dc::setMapMode(std::uint32_t mode)
{
    if (mode < 1 || mode > 8)
        return;
    s.mapMode = static_cast<MapMode>(mode);
    applyTransform();
}

void Dc::modifyWorld(const QTransform& xform, std::uint32_t mode)
{
    switch (mode) {
    case 1: // MWT_IDENTITY
        s.world = QTransform();
        break;
    case 2: // MWT_LEFTMULTIPLY: the new transform applies first
        s.world = xform * s.world;
        break;
    case 3: // MWT_RIGHTMULTIPLY
        s.world = s.world * xform;
        break;
    case 4: // MWT_SET
        s.world = xform;
        break;
    default:
        return;
    }
    applyTransform();
}

void Dc::save()
{
    // Bounded: a drawing that only saves would otherwise grow the stack with every record.
    if (m_saved.size() < 4096)
        m_saved.push_back(s);
}

void Dc::restore(int which)
{
    // A negative number counts back from the last save, a positive one names a save from the first.
    const qsizetype count = qsizetype(m_saved.size());
    const qsizetype keep = which < 0 ? count + which : qsizetype(which) - 1;
    if (which == 0 || keep < 0 || keep >= count)
        return;
    s = m_saved[size_t(keep)];
    m_saved.resize(size_t(keep));
    applyClip();
    applyTransform();
}

void Dc::select(const GdiObject& object)
{
    if (const Pen* pen = std::get_if<Pen>(&object))
        s.pen = *pen;
    else if (const Brush* brush = std::get_if<Brush>(&object))
        s.brush = *brush;
    else if (const Font* font = std::get_if<Font>(&object))
        s.font = *font;
}

QPen Dc::qtPen() const
{
    const std::uint32_t style = s.pen.style & 0xF;
    if (style == 5)
        return Qt::NoPen; // PS_NULL
    static constexpr Qt::PenStyle styles[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                              Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen,
                                              Qt::SolidLine,   Qt::CustomDashLine, Qt::DotLine};
    QPen pen(s.pen.colour);
    pen.setStyle(styles[std::min<std::uint32_t>(style, 8)]);
    // GDI ends and joins lines round unless the pen says otherwise.
    const std::uint32_t cap = s.pen.style & 0xF00, join = s.pen.style & 0xF000;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(join == 0x1000 ? Qt::BevelJoin : join == 0x2000 ? Qt::MiterJoin : Qt::RoundJoin);
    pen.setMiterLimit(s.miterLimit);
    const double width = std::clamp(s.pen.width, 0.0, Huge);
    const QTransform& t = m_painter.transform();
    // A line thinner than a pixel on the painter is still drawn a pixel wide, as GDI draws it.
    const double onPainter = width * std::sqrt(std::abs(t.determinant()));
    if (!(onPainter >= 1)) {
        pen.setWidth(0);
        pen.setCosmetic(true);
    } else {
        pen.setWidthF(width);
    }
    if (pen.style() == Qt::CustomDashLine) {
        QList<qreal> pattern;
        for (double dash : s.pen.dashes)
            pattern << std::clamp(dash / std::max(width, 1.0), 0.1, 1000.0);
        if (pattern.size() % 2)
            pattern << pattern.back();
        if (pattern.isEmpty())
            pen.setStyle(Qt::SolidLine);
        else
            pen.setDashPattern(pattern);
    }
    return pen;
}

QBrush Dc::qtBrush(const Brush& brush) const
{
    static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    switch (brush.style) {
    case 1:
        return Qt::NoBrush;
    case 2:
        return QBrush(brush.colour, hatches[std::min<std::uint32_t>(brush.hatch, 5)]);
    default:
        break;
    }
    if (!brush.pattern.isNull())
        return QBrush(brush.pattern);
    return brush.colour;
}

void Dc::draw(const QPainterPath& logical, bool fill, bool stroke)
{
    if (m_recording) {
        m_path.addPath(logicalToDevice().map(logical));
        m_figureOpen = false;
        return;
    }
    if (!usable(m_painter.transform()))
        return;
    QPainterPath shape = logical;
    shape.setFillRule(s.fillRule);
    if (fill && s.brush.style != 1) {
        // A hatch on an opaque background fills the gaps between its lines with the background.
        if (s.brush.style == 2 && s.opaque)
            m_painter.fillPath(shape, s.background);
        m_painter.fillPath(shape, qtBrush(s.brush));
    }
    if (stroke)
        m_painter.strokePath(shape, qtPen());
}

void Dc::extend(const QPainterPath& logical)
{
    if (m_recording) {
        const QPainterPath device = logicalToDevice().map(logical);
        if (m_figureOpen && !m_path.isEmpty())
            m_path.connectPath(device);
        else
            m_path.addPath(device);
        m_figureOpen = true;
        return;
    }
    draw(logical, false, true);
}

void Dc::moveTo(QPointF at)
{
    s.position = at;
    m_figureOpen = false;
}

void Dc::lineTo(QPointF to)
{
    QPainterPath line(s.position);
    line.lineTo(to);
    extend(line);
    s.position = to;
}

void Dc::polyline(const QPolygonF& points) { polylines({points}); }

void Dc::polylineTo(const QPolygonF& points)
{
    if (points.isEmpty())
        return;
    QPainterPath line(s.position);
    for (QPointF point : points)
        line.lineTo(point);
    extend(line);
    s.position = points.back();
}

namespace {

QPainterPath beziers(QPointF from, const QPolygonF& points, qsizetype first)
{
    QPainterPath curve(from);
    for (qsizetype i = first; i + 2 < points.size(); i += 3)
        curve.cubicTo(points[i], points[i + 1], points[i + 2]);
    return curve;
}

} // namespace

void Dc::polyBezier(const QPolygonF& points)
{
    if (points.size() >= 4)
        draw(beziers(points[0], points, 1), false, true);
}

void Dc::polyBezierTo(const QPolygonF& points)
{
    if (points.size() < 3)
        return;
    extend(beziers(s.position, points, 0));
    s.position = points[(points.size() / 3) * 3 - 1];
}

void Dc::polygons(const std::vector<QPolygonF>& polygons)
{
    QPainterPath area;
    for (const QPolygonF& polygon : polygons) {
        if (polygon.size() < 2)
            continue;
        area.addPolygon(polygon);
        area.closeSubpath();
    }
    draw(area, true, true);
}

void Dc::polylines(const std::vector<QPolygonF>& lines)
{
    QPainterPath all;
    for (const QPolygonF& line : lines)
        if (line.size() >= 2)
            all.addPolygon(line);
    draw(all, false, true);
}

void Dc::rectangle(const QRectF& box)
{
    QPainterPath area;
    area.addRect(box.normalized());
    draw(area, true, true);
}

void Dc::roundRect(const QRectF& box, QSizeF corner)
{
    QPainterPath area;
    area.addRoundedRect(box.normalized(), std::abs(corner.width()) / 2, std::abs(corner.height()) / 2);
    draw(area, true, true);
}

void Dc::ellipse(const QRectF& box)
{
    QPainterPath area;
    area.addEllipse(box.normalized());
    draw(area, true, true);
}

namespace {

// The arc of the box from the start radial to the end one, in the drawing's direction; the same two
// radials make a whole ellipse.
double sweepOf(double from, double to, bool clockwise)
{
    double sweep = std::fmod(to - from, 360.0);
    if (sweep <= 0)
        sweep += 360;
    return clockwise ? sweep - 360 : sweep;
}

} // namespace

void Dc::arc(ArcShape shape, const QRectF& given, QPointF start, QPointF end)
{
    const QRectF box = given.normalized();
    const double from = ellipseAngle(box, start), to = ellipseAngle(box, end);
    // The direction is the device's: a mapping that turns y upwards turns it round.
    const bool clockwise = s.clockwise != (logicalToDevice().determinant() < 0);
    const double sweep = sweepOf(from, to, clockwise);
    QPainterPath path;
    if (shape == ArcShape::Pie) {
        path.moveTo(box.center());
        path.arcTo(box, from, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, from);
        path.arcTo(box, from, sweep);
        if (shape == ArcShape::Chord)
            path.closeSubpath();
    }
    draw(path, shape != ArcShape::Arc, true);
}

void Dc::arcTo(const QRectF& given, QPointF start, QPointF end)
{
    const QRectF box = given.normalized();
    const double from = ellipseAngle(box, start), to = ellipseAngle(box, end);
    const bool clockwise = s.clockwise != (logicalToDevice().determinant() < 0);
    const double sweep = sweepOf(from, to, clockwise);
    QPainterPath path(s.position);
    path.arcTo(box, from, sweep);
    extend(path);
    s.position = path.currentPosition();
}

void Dc::angleArc(QPointF centre, double radius, double startAngle, double sweepAngle)
{
    radius = std::clamp(radius, 0.0, Huge);
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    QPainterPath path(s.position);
    path.arcTo(box, startAngle, std::clamp(sweepAngle, -3600.0, 3600.0));
    extend(path);
    s.position = path.currentPosition();
}

void Dc::pixel(QPointF at, QColor colour)
{
    if (m_recording || !usable(m_painter.transform()))
        return;
    const QPointF onPainter = m_painter.transform().map(at);
    m_painter.save();
    m_painter.resetTransform();
    m_painter.fillRect(QRectF(std::floor(onPainter.x()), std::floor(onPainter.y()), 1, 1), colour);
    m_painter.restore();
}

namespace {

constexpr std::uint32_t SrcCopy = 0x00CC0020, SrcAnd = 0x008800C6, SrcPaint = 0x00EE0086;

// What OR-ing the mask onto the page and then AND-ing the image gives, as one bitmap to lay over the
// page: the image where the mask is white; where it is black, the page, darkened as much as the image
// there is dark, so the white around a drawing shows the page and a mark in it stays a mark.
QImage maskedCopy(const QImage& mask, const QRectF& maskFrom, const QImage& image, const QRect& rect)
{
    const QRect maskRect = maskFrom.toAlignedRect() & mask.rect();
    if (rect.isEmpty() || maskRect.isEmpty())
        return {};
    QImage out = image.copy(rect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage through = mask.copy(maskRect).convertToFormat(QImage::Format_Grayscale8);
    if (through.size() != out.size())
        through = through.scaled(out.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (out.isNull() || through.isNull())
        return {};
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const uchar* m = through.constScanLine(y);
        for (int x = 0; x < out.width(); ++x) {
            const int lets = m[x], rgb = line[x];
            const int alpha = 255 - (255 - lets) * qGray(rgb) / 255;
            line[x] = qRgba(qRed(rgb) * lets / 255, qGreen(rgb) * lets / 255, qBlue(rgb) * lets / 255, alpha);
        }
    }
    return out;
}

} // namespace

void Dc::bitmap(const QRectF& dest, const QImage& image, const QRectF& source, std::uint32_t rop, double opacity)
{
    const QRectF from = source.isEmpty() ? QRectF(image.rect()) : source;
    if (m_recording || image.isNull() || !usable(m_painter.transform()) || from.width() <= 0 || from.height() <= 0 ||
        dest.width() == 0 || dest.height() == 0) {
        drawHeldMask();
        return;
    }
    if (rop == SrcAnd && m_heldMask && m_heldMask->dest == dest && m_heldMask->onPainter == m_painter.transform()) {
        const HeldMask mask = std::move(*m_heldMask);
        m_heldMask.reset();
        const QRect rect = from.toAlignedRect() & image.rect();
        const QImage copy = maskedCopy(mask.image, mask.from, image, rect);
        if (!copy.isNull())
            blit(dest, copy, from.translated(-rect.topLeft()), SrcCopy, opacity, m_painter.transform());
        return;
    }
    drawHeldMask();
    if (rop == SrcPaint && opacity == 1)
        m_heldMask = HeldMask{dest, image, from, m_painter.transform()};
    else
        blit(dest, image, from, rop, opacity, m_painter.transform());
}

void Dc::drawHeldMask()
{
    if (!m_heldMask)
        return;
    const HeldMask mask = std::move(*m_heldMask);
    m_heldMask.reset();
    blit(mask.dest, mask.image, mask.from, SrcPaint, 1, mask.onPainter);
}

void Dc::blit(const QRectF& dest, const QImage& image, const QRectF& from, std::uint32_t rop, double opacity,
              const QTransform& onPainter)
{
    // A negative destination size mirrors the bitmap.
    QTransform place = QTransform::fromTranslate(dest.x(), dest.y());
    place.scale(dest.width() / from.width(), dest.height() / from.height());
    m_painter.save();
    m_painter.setTransform(place * onPainter);
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
    if (rop == SrcAnd)
        m_painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    if (rop == SrcPaint)
        m_painter.setCompositionMode(QPainter::CompositionMode_Lighten);
    m_painter.drawImage(QRectF(0, 0, from.width(), from.height()), image, from);
    m_painter.restore();
}

void Dc::patternFill(const QRectF& dest, std::uint32_t rop)
{
    drawHeldMask();
    QPainterPath area;
    area.addRect(dest.normalized());
    if (rop == 0x00000042) // BLACKNESS
        fillArea(area, Qt::black);
    else if (rop == 0x00FF0062) // WHITENESS
        fillArea(area, Qt::white);
    else if (rop == 0x00F00021 && s.brush.style != 1) // PATCOPY
        fillArea(area, qtBrush(s.brush));
}

void Dc::fillArea(const QPainterPath& logical, const QBrush& brush)
{
    if (m_recording || !usable(m_painter.transform()))
        return;
    m_painter.fillPath(logical, brush);
}

void Dc::beginPath()
{
    m_recording = true;
    m_figureOpen = false;
    m_path = QPainterPath();
}

void Dc::abortPath()
{
    m_recording = false;
    m_path = QPainterPath();
}

void Dc::closeFigure()
{
    if (!m_recording)
        return;
    m_path.closeSubpath();
    m_figureOpen = false;
}

void Dc::finishPath(bool fill, bool stroke)
{
    m_recording = false;
    const QTransform toDevice = logicalToDevice();
    // Drawn in logical units again, so a geometric pen keeps its width.
    if (!m_path.isEmpty() && usable(toDevice))
        draw(toDevice.inverted().map(m_path), fill, stroke);
    m_path = QPainterPath();
}

void Dc::widenPath()
{
    const QTransform toDevice = logicalToDevice();
    if (m_recording || m_path.isEmpty() || !usable(toDevice))
        return;
    QPainterPathStroker stroker(qtPen());
    m_path = toDevice.map(stroker.createStroke(toDevice.inverted().map(m_path)));
}

} // namespace metafile
