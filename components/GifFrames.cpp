#include "GifFrames.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

unsigned byteAt(const QByteArray& data, qsizetype at) { return static_cast<unsigned char>(data[at]); }

// A 16-bit little-endian field; bytes past the end of the data count as 0, so a marker at the very end
// of a truncated file reads no further than the file.
std::uint16_t wordAt(const QByteArray& data, qsizetype at)
{
    const unsigned low = at < data.size() ? byteAt(data, at) : 0;
    const unsigned high = at + 1 < data.size() ? byteAt(data, at + 1) : 0;
    return static_cast<std::uint16_t>(low | (high << 8));
}

// The offset just past the data sub-blocks from `at` up to the empty one that ends them; -1 when the
// data ends inside them.
qsizetype pastSubBlocks(const QByteArray& data, qsizetype at)
{
    while (at < data.size() && byteAt(data, at) != 0)
        at += 1 + byteAt(data, at);
    return at < data.size() ? at + 1 : -1;
}

// The bytes of the colour table that a screen or image descriptor's flags announce.
qsizetype colourTableSize(unsigned flags) { return (flags & 0x80) ? 3 * (2 << (flags & 7)) : 0; }

// The offset just past the extension block at `at`: its introducer, label and sub-blocks; -1 when the
// data ends inside it.
qsizetype pastExtension(const QByteArray& data, qsizetype at) { return pastSubBlocks(data, at + 2); }

// The offset just past the image at `at`: its descriptor, local colour table and data sub-blocks; -1 when
// the data ends inside it.
qsizetype pastImage(const QByteArray& data, qsizetype at)
{
    if (at + 11 > data.size())
        return -1;
    // The descriptor, its colour table and the code size byte, then the data.
    return pastSubBlocks(data, at + 10 + colourTableSize(byteAt(data, at + 9)) + 1);
}

bool isControlExtension(const QByteArray& data, qsizetype at)
{
    return at + 2 < data.size() && byteAt(data, at) == 0x21 && byteAt(data, at + 1) == 0xF9 &&
           byteAt(data, at + 2) == 4;
}

// The image descriptor that ends a run of extensions other than graphic control ones starting at `at`, as
// a frame's image stands behind its comment or application blocks; -1 where something else comes first.
qsizetype imageBehindExtensions(const QByteArray& data, qsizetype at)
{
    while (at >= 0 && at + 1 < data.size()) {
        if (byteAt(data, at) == 0x2C)
            return at;
        if (byteAt(data, at) != 0x21 || byteAt(data, at + 1) == 0xF9)
            return -1;
        at = pastExtension(data, at);
    }
    return -1;
}

// The offset of the first block after the header and the global colour table.
qsizetype firstBlock(const QByteArray& data) { return 13 + colourTableSize(byteAt(data, 10)); }

// Frames whose graphic control extension is parted from their image by other extension blocks, as
// ImageMagick puts its loop block behind the first frame's: the byte scan misses them. They are found by
// walking the file's blocks, so that none is read out of image data; the walk ends where the blocks do.
std::vector<qsizetype> findPartedFrames(const QByteArray& data)
{
    std::vector<qsizetype> found;
    if (data.size() < 13)
        return found;
    qsizetype at = firstBlock(data);
    while (at >= 0 && at + 1 < data.size()) {
        const unsigned introducer = byteAt(data, at);
        if (introducer == 0x2C) {
            at = pastImage(data, at);
            continue;
        }
        if (introducer != 0x21)
            break;
        const qsizetype next = pastExtension(data, at);
        // Only a whole control extension of its usual size, so that its fields stand where a marker's do.
        if (isControlExtension(data, at) && next == at + 8 && next < data.size() && byteAt(data, next) == 0x21 &&
            imageBehindExtensions(data, next) >= 0)
            found.push_back(at);
        at = next;
    }
    return found;
}

} // namespace

std::vector<qsizetype> FindGifFrameMarkers(const QByteArray& data)
{
    std::vector<qsizetype> markers;
    const char* bytes = data.constData();
    const qsizetype size = data.size();
    // Only an introducer can start a marker, so the scan jumps from one 0x21 to the next.
    for (const char* found = static_cast<const char*>(std::memchr(bytes, 0x21, static_cast<size_t>(size))); found;
         found =
             static_cast<const char*>(std::memchr(found + 1, 0x21, static_cast<size_t>(bytes + size - found - 1)))) {
        const qsizetype at = found - bytes;
        if (at + 9 < size && byteAt(data, at + 1) == 0xF9 && byteAt(data, at + 2) == 4 && byteAt(data, at + 8) == 0x2C)
            markers.push_back(at);
    }
    const std::vector<qsizetype> parted = findPartedFrames(data);
    if (parted.empty())
        return markers;
    std::vector<qsizetype> all;
    all.reserve(markers.size() + parted.size());
    std::merge(markers.begin(), markers.end(), parted.begin(), parted.end(), std::back_inserter(all));
    return all;
}

GifFrameMarker ReadGifFrameMarker(const QByteArray& data, qsizetype at)
{
    const unsigned packed = byteAt(data, at + 3);
    GifFrameMarker marker;
    marker.delay = wordAt(data, at + 4);
    marker.transparent = (packed & 1) != 0;
    marker.disposal = static_cast<std::uint16_t>((packed >> 2) & 7);
    // The image descriptor stands right behind the extension, or behind the blocks that part them.
    qsizetype image = at + 8;
    if (image < data.size() && byteAt(data, image) == 0x21) {
        const qsizetype behind = imageBehindExtensions(data, image);
        if (behind >= 0)
            image = behind;
    }
    marker.left = wordAt(data, image + 1);
    marker.top = wordAt(data, image + 3);
    marker.width = wordAt(data, image + 5);
    marker.height = wordAt(data, image + 7);
    return marker;
}

std::uint16_t GifScreenWidth(const QByteArray& data) { return wordAt(data, 6); }

std::uint16_t GifScreenHeight(const QByteArray& data) { return wordAt(data, 8); }

std::optional<QRect> FirstGifImage(const QByteArray& data)
{
    if (data.size() < 13)
        return std::nullopt;
    qsizetype at = firstBlock(data);
    while (at >= 0 && at < data.size()) {
        const unsigned introducer = byteAt(data, at);
        if (introducer == 0x2C) {
            if (at + 9 > data.size())
                return std::nullopt;
            return QRect(wordAt(data, at + 1), wordAt(data, at + 3), wordAt(data, at + 5), wordAt(data, at + 7));
        }
        if (introducer != 0x21)
            return std::nullopt;
        at = pastExtension(data, at);
    }
    return std::nullopt;
}

QByteArray CutGifFrame(const QByteArray& data, const std::vector<qsizetype>& markers, int frame)
{
    if (markers.empty() || frame <= 1)
        return data;
    QByteArray cut = data.left(markers.front());
    if (static_cast<size_t>(frame) <= markers.size())
        cut += data.mid(markers[static_cast<size_t>(frame) - 1]);
    return cut;
}
