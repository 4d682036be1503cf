#include "Metafile.h"

#include "MetafilePlay.h"
#include "PictureService.h"

#include <QPainter>

#include <climits>

namespace {

constexpr std::uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t EmfSignature = 0x464D4520; // " EMF"
// More objects than any drawing needs; a header asking for more is damaged.
constexpr std::uint32_t MaxObjects = 4096;

bool isWmf(const QByteArray& bytes) { return bytes.size() >= 22 && metafile::Bytes{bytes}.u32(0) == PlaceableKey; }

bool isEmf(const QByteArray& bytes)
{
    const metafile::Bytes in{bytes};
    return bytes.size() >= 44 && in.u32(0) == 1 && in.u32(40) == EmfSignature;
}

bool fits(long long himetric) { return himetric >= 1 && himetric <= INT_MAX; }

std::optional<Metafile> readWmf(const QByteArray& data)
{
    const metafile::Bytes in{data};
    if (data.size() < 22 + 18)
        return std::nullopt;
    const int left = in.s16(6), top = in.s16(8), right = in.s16(10), bottom = in.s16(12);
    const int inch = static_cast<int>(in.u16(14));
    if (inch == 0 || right <= left || bottom <= top)
        return std::nullopt;
    const long long hmWidth = (long long)(right - left) * HimetricPerInch / inch;
    const long long hmHeight = (long long)(bottom - top) * HimetricPerInch / inch;
    if (!fits(hmWidth) || !fits(hmHeight) || in.u16(22 + 2) != 9 || in.u16(22 + 10) > MaxObjects)
        return std::nullopt;
    Metafile file{Metafile::Kind::Wmf, data, int(hmWidth), int(hmHeight), {}};
    // The placeable bounds, in their units to the inch, are the picture.
    file.deviceToHimetric.scale(double(HimetricPerInch) / inch, double(HimetricPerInch) / inch);
    file.deviceToHimetric.translate(-left, -top);
    return file;
}

std::optional<Metafile> readEmf(const QByteArray& data)
{
    const metafile::Bytes in{data};
    if (data.size() < 88)
        return std::nullopt;
    // The frame is in hundredths of a millimetre, inclusive; the reference device gives its pixels.
    const long long frameLeft = in.s32(24), frameTop = in.s32(28);
    const long long hmWidth = in.s32(32) - frameLeft + 1, hmHeight = in.s32(36) - frameTop + 1;
    const long long devicePixelsX = in.s32(72), devicePixelsY = in.s32(76);
    const long long deviceMmX = in.s32(80), deviceMmY = in.s32(84);
    if (!fits(hmWidth) || !fits(hmHeight) || devicePixelsX <= 0 || devicePixelsY <= 0 || deviceMmX <= 0 ||
        deviceMmY <= 0 || in.u16(56) > MaxObjects)
        return std::nullopt;
    Metafile file{Metafile::Kind::Emf, data, int(hmWidth), int(hmHeight), {}};
    file.pixelsPerMmX = double(devicePixelsX) / deviceMmX;
    file.pixelsPerMmY = double(devicePixelsY) / deviceMmY;
    file.deviceToHimetric.translate(-double(frameLeft), -double(frameTop));
    file.deviceToHimetric.scale(100 / file.pixelsPerMmX, 100 / file.pixelsPerMmY);
    return file;
}

} // namespace

namespace metafile {

Handlers handlerTable(std::initializer_list<void (*)(Handlers&)> families)
{
    Handlers table;
    for (auto family : families)
        family(table);
    return table;
}

void dispatch(Player& pl, const Handlers& table, std::uint32_t type, const Record& r)
{
    if (type != pl.lastType)
        pl.dc.drawHeldMask();
    pl.lastType = type;
    if (const auto handler = table.find(type); handler != table.end())
        handler->second(pl, r);
}

QPolygonF points(const Record& r, qsizetype at, qsizetype count, bool small)
{
    const qsizetype size = small ? 4 : 8;
    count = std::clamp<qsizetype>(count, 0, std::max<qsizetype>(r.end() - at, 0) / size);
    QPolygonF out;
    out.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype q = at + i * size;
        out << (small ? QPointF(r.in.s16(q), r.in.s16(q + 2)) : QPointF(r.in.s32(q), r.in.s32(q + 4)));
    }
    return out;
}

} // namespace metafile

bool IsMetafile(const QByteArray& bytes) { return isWmf(bytes) || isEmf(bytes); }

std::optional<Metafile> ReadMetafile(const QByteArray& bytes)
{
    if (isWmf(bytes))
        return readWmf(bytes);
    if (isEmf(bytes))
        return readEmf(bytes);
    return std::nullopt;
}

void PlayMetafile(const Metafile& file, QPainter& painter, const QTransform& himetricToPainter,
                  const QPainterPath& clip)
{
    const metafile::Bytes in{file.bytes};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    metafile::Dc dc(painter, file.deviceToHimetric * himetricToPainter, clip, file.pixelsPerMmX, file.pixelsPerMmY);
    if (file.kind == Metafile::Kind::Wmf) {
        // The window maps the drawing's own units onto the placeable bounds.
        const QPointF origin(in.s16(6), in.s16(8));
        const QPointF extent(in.s16(10) - in.s16(6), in.s16(12) - in.s16(8));
        dc.s.mapMode = metafile::MapMode::Anisotropic;
        dc.s.windowOrg = dc.s.viewportOrg = origin;
        dc.s.windowExt = dc.s.viewportExt = extent;
        dc.mapped();
        metafile::playWmf(file.bytes, dc, in.u16(22 + 10));
    } else {
        metafile::playEmf(file.bytes, dc, in.u16(56));
    }
    dc.drawHeldMask();
    painter.restore();
}
