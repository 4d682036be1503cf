#pragma once

#include <QByteArray>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

// The frames of an animated GIF as the picture control finds them: by a byte scan for a graphic control
// extension right before an image descriptor, and, where other extension blocks part a frame's control
// extension from its image, by walking the file's blocks. These routines take the file's bytes and read
// nothing past them, so they serve the control and anything that checks them alone.

// What a frame marker says: the extension's delay and flags, and the image descriptor behind it.
struct GifFrameMarker {
    std::uint16_t delay = 0; // hundredths of a second
    bool transparent = false;
    std::uint16_t disposal = 0; // 0 to 7
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

// The byte offsets of every frame marker (the frame's graphic control extension), in file order; a marker
// of the byte scan inside image data counts too.
std::vector<qsizetype> FindGifFrameMarkers(const QByteArray& data);

// The fields of the marker at an offset that FindGifFrameMarkers gave; bytes past the end read as 0.
GifFrameMarker ReadGifFrameMarker(const QByteArray& data, qsizetype at);

// The logical screen size from the header's descriptor (0 where the data is too short).
std::uint16_t GifScreenWidth(const QByteArray& data);
std::uint16_t GifScreenHeight(const QByteArray& data);

// The rectangle of the first image, found by walking the file's blocks; nothing when the data ends first.
std::optional<QRect> FirstGifImage(const QByteArray& data);

// The bytes the loader gets for one frame: everything before the first marker, then, for frame 2 and
// later, everything from that frame's marker to the end, so the first image the loader meets is the
// frame's. Frames 1 and below give the whole file; a frame past the last marker gives only the bytes
// before the first.
QByteArray CutGifFrame(const QByteArray& data, const std::vector<qsizetype>& markers, int frame);
