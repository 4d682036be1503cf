#include "Wmf.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sigplus {

namespace {

// Record functions of the metafile format.
enum : uint16_t {
    META_EOF = 0x0000,
    META_SETMAPMODE = 0x0103,
    META_SELECTOBJECT = 0x012D,
    META_DELETEOBJECT = 0x01F0,
    META_SETWINDOWORG = 0x020B,
    META_SETWINDOWEXT = 0x020C,
    META_CREATEPENINDIRECT = 0x02FA,
    META_POLYLINE = 0x0325,
};
constexpr uint16_t MM_ANISOTROPIC = 8;
constexpr uint16_t PS_SOLID = 0;

class Words {
public:
    void word(uint16_t value) {
        m_bytes.append(static_cast<char>(value & 0xFF));
        m_bytes.append(static_cast<char>(value >> 8));
    }
    void dword(uint32_t value) {
        word(static_cast<uint16_t>(value & 0xFFFF));
        word(static_cast<uint16_t>(value >> 16));
    }
    // A record: its size in words (with the six bytes of size and function), function, parameters.
    void record(uint16_t function, const std::vector<uint16_t>& parameters) {
        const uint32_t size = 3 + static_cast<uint32_t>(parameters.size());
        m_maxRecord = std::max(m_maxRecord, size);
        dword(size);
        word(function);
        for (uint16_t parameter : parameters)
            word(parameter);
    }
    const QByteArray& bytes() const { return m_bytes; }
    uint32_t maxRecord() const { return m_maxRecord; }

private:
    QByteArray m_bytes;
    uint32_t m_maxRecord = 0;
};

uint16_t coordinate(double value) {
    return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L)));
}

} // namespace

QByteArray polylineMetafile(const std::vector<std::vector<QPointF>>& lines, const QSize& size, int penWidth) {
    const auto width = static_cast<uint16_t>(size.width());
    const auto height = static_cast<uint16_t>(size.height());

    Words records;
    records.record(META_SETMAPMODE, {MM_ANISOTROPIC});
    // Parameters stand in reverse order in the format: y before x.
    records.record(META_SETWINDOWORG, {0, 0});
    records.record(META_SETWINDOWEXT, {height, width});
    records.record(META_CREATEPENINDIRECT, {PS_SOLID, static_cast<uint16_t>(std::max(1, penWidth)), 0, 0, 0});
    records.record(META_SELECTOBJECT, {0});
    for (const std::vector<QPointF>& line : lines) {
        if (line.empty()) continue;
        // A polyline needs two points: a single touch becomes a dot of the pen's width.
        std::vector<QPointF> points = line;
        if (points.size() == 1) points.push_back(points.front());
        for (size_t start = 0; start + 1 < points.size(); start += 8000) {
            // A record holds at most 8000 points here, so its size stays far within the format's limits.
            const size_t end = std::min(points.size(), start + 8001);
            std::vector<uint16_t> parameters{static_cast<uint16_t>(end - start)};
            for (size_t i = start; i < end; ++i) {
                parameters.push_back(coordinate(points[i].x()));
                parameters.push_back(coordinate(points[i].y()));
            }
            records.record(META_POLYLINE, parameters);
        }
    }
    records.record(META_DELETEOBJECT, {0});
    records.record(META_EOF, {});

    Words header;
    header.word(1);      // in memory
    header.word(9);      // header size in words
    header.word(0x0300); // version
    header.dword(static_cast<uint32_t>(9 + records.bytes().size() / 2));
    header.word(1); // one object: the pen
    header.dword(records.maxRecord());
    header.word(0);

    Words placeable;
    placeable.dword(0x9AC6CDD7);
    placeable.word(0); // handle
    placeable.word(0); // left
    placeable.word(0); // top
    placeable.word(width);
    placeable.word(height);
    placeable.word(96); // units per inch
    placeable.dword(0);
    uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= static_cast<uint16_t>(static_cast<unsigned char>(placeable.bytes()[2 * i]) |
                                          static_cast<unsigned char>(placeable.bytes()[2 * i + 1]) << 8);
    placeable.word(checksum);

    return placeable.bytes() + header.bytes() + records.bytes();
}

} // namespace sigplus
