#include "GifFrames.h"

#include <cstring>

namespace {

unsigned byteAt(const QByteArray& data, qsizetype at) {
    return static_cast<unsigned char>(data[at]);
}

// A 16-bit little-endian field; bytes past the end of the data count as 0, so a marker at the very end
// of a truncated file reads no further than the file.
std::uint16_t wordAt(const QByteArray& data, qsizetype at) {
    const unsigned low = at < data.size() ? byteAt(data, at) : 0;
    const unsigned high = at + 1 < data.size() ? byteAt(data, at + 1) : 0;
    return static_cast<std::uint16_t>(low | (high << 8));
}

} // namespace

std::vector<qsizetype> FindGifFrameMarkers(const QByteArray& data) {
    std::vector<qsizetype> markers;
    const char* bytes = data.constData();
    const qsizetype size = data.size();
    // Only an introducer can start a marker, so the scan jumps from one 0x21 to the next.
    for (const char* found = static_cast<const char*>(std::memchr(bytes, 0x21, static_cast<size_t>(size)));
         found; found = static_cast<const char*>(std::memchr(found + 1, 0x21, static_cast<size_t>(bytes + size - found - 1)))) {
        const qsizetype at = found - bytes;
        if (at + 9 < size && byteAt(data, at + 1) == 0xF9 && byteAt(data, at + 2) == 4 && byteAt(data, at + 8) == 0x2C)
            markers.push_back(at);
    }
    return markers;
}

GifFrameMarker ReadGifFrameMarker(const QByteArray& data, qsizetype at) {
    const unsigned packed = byteAt(data, at + 3);
    GifFrameMarker marker;
    marker.delay = wordAt(data, at + 4);
    marker.transparent = (packed & 1) != 0;
    marker.disposal = static_cast<std::uint16_t>((packed >> 2) & 7);
    marker.left = wordAt(data, at + 9);
    marker.top = wordAt(data, at + 11);
    marker.width = wordAt(data, at + 13);
    marker.height = wordAt(data, at + 15);
    return marker;
}

std::uint16_t GifScreenWidth(const QByteArray& data) {
    return wordAt(data, 6);
}

std::uint16_t GifScreenHeight(const QByteArray& data) {
    return wordAt(data, 8);
}

std::optional<QRect> FirstGifImage(const QByteArray& data) {
    if (data.size() < 13) return std::nullopt;
    qsizetype at = 13;
    const unsigned screenFlags = byteAt(data, 10);
    if (screenFlags & 0x80) at += 3 * (2 << (screenFlags & 7));
    while (at < data.size()) {
        const unsigned introducer = byteAt(data, at);
        if (introducer == 0x2C) {
            if (at + 9 > data.size()) return std::nullopt;
            return QRect(wordAt(data, at + 1), wordAt(data, at + 3), wordAt(data, at + 5), wordAt(data, at + 7));
        }
        if (introducer != 0x21) return std::nullopt;
        at += 2;
        while (at < data.size() && byteAt(data, at) != 0)
            at += 1 + byteAt(data, at);
        at += 1;
    }
    return std::nullopt;
}

QByteArray CutGifFrame(const QByteArray& data, const std::vector<qsizetype>& markers, int frame) {
    if (markers.empty() || frame <= 1) return data;
    QByteArray cut = data.left(markers.front());
    if (static_cast<size_t>(frame) <= markers.size()) cut += data.mid(markers[static_cast<size_t>(frame) - 1]);
    return cut;
}
