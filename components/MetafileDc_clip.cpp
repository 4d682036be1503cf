// The clip of the device context: an area in device units, combined as GDI combines regions.

#include "MetafileDc.h"

#include <QPainter>

#include <cmath>

namespace metafile {

void Dc::selectClipPath(std::uint32_t mode)
{
    m_recording = false;
    QPainterPath area = m_path;
    area.closeSubpath();
    area.setFillRule(s.fillRule);
    m_path = QPainterPath();
    combineClip(area.simplified(), mode);
}

QPainterPath Dc::everything() const
{
    QPainterPath all;
    all.addRect(QRectF(-Huge, -Huge, 2 * Huge, 2 * Huge));
    return all;
}

void Dc::combineClip(const std::optional<QPainterPath>& area, std::uint32_t mode)
{
    const QPainterPath current = s.clip ? *s.clip : everything();
    const QPainterPath given = area ? *area : QPainterPath();
    switch (static_cast<Combine>(mode)) {
    case Combine::And:
        s.clip = current.intersected(given);
        break;
    case Combine::Or:
        s.clip = current.united(given);
        break;
    case Combine::Xor:
        s.clip = current.subtracted(given).united(given.subtracted(current));
        break;
    case Combine::Diff:
        s.clip = current.subtracted(given);
        break;
    case Combine::Copy:
        s.clip = area;
        break; // no region: the whole picture again
    default:
        return;
    }
    applyClip();
}

void Dc::intersectClipRect(const QRectF& logical)
{
    QPainterPath area;
    area.addRect(logical.normalized());
    combineClip(logicalToDevice().map(area), uint32_t(Combine::And));
}

void Dc::excludeClipRect(const QRectF& logical)
{
    QPainterPath area;
    area.addRect(logical.normalized());
    combineClip(logicalToDevice().map(area), uint32_t(Combine::Diff));
}

void Dc::offsetClip(QPointF logical)
{
    if (!s.clip)
        return;
    const QTransform toDevice = logicalToDevice();
    const QPointF shift = toDevice.map(logical) - toDevice.map(QPointF());
    s.clip->translate(shift);
    applyClip();
}

void Dc::applyClip()
{
    const QTransform keep = m_painter.transform();
    m_painter.resetTransform();
    QPainterPath area = m_baseClip;
    if (s.clip)
        area = area.intersected(m_deviceToPainter.map(*s.clip));
    m_painter.setClipPath(area);
    m_painter.setTransform(keep);
}

} // namespace metafile
