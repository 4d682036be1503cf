#pragma once

#include <QByteArray>

#include <memory>

class QIODevice;
class QPainter;

// A decoded picture, as the platform's picture object offers it.
class IPicture {
public:
    virtual ~IPicture() = default;
    // The size in HIMETRIC units (hundredths of a millimetre).
    virtual int HimetricWidth() const = 0;
    virtual int HimetricHeight() const = 0;
    // Draws the source rectangle (HIMETRIC units, y growing upwards) into the destination rectangle
    // (x, y, cx, cy) of the canvas; callers pass the bottom edge and a negative height to draw it upright.
    virtual void Render(QPainter& canvas, int x, int y, int cx, int cy, int xSrc, int ySrc, int cxSrc,
                        int cySrc) const = 0;
};

// What the standard loader makes of a picture file's bytes: the picture, or the loader's error code.
struct DecodedPicture {
    std::shared_ptr<IPicture> picture;
    long error = 0;
};
DecodedPicture DecodePicture(const QByteArray& bytes);

// A picture on screen counts 96 pixels to the inch; 2540 HIMETRIC units make an inch.
constexpr int ScreenDpi = 96;
constexpr int HimetricPerInch = 2540;

// The largest image a picture decodes to or is drawn through: Qt's bound on one image's memory, 128 MB,
// at four bytes a pixel, 32 Mi pixels (5792 by 5792). A bitmap or a GIF screen larger than that is
// refused; a metafile is drawn at the size it is shown at, and where even that is larger, at a lower
// resolution scaled up.
constexpr qint64 MaxPicturePixels = 128LL * 1024 * 1024 / 4;

// The platform's picture service: a memory block, a stream on it, and the picture loader. This one
// decodes through Qt's image readers, limited to the formats the platform loader takes that Qt reads:
// BMP, GIF (its first image, cut to that image's own rectangle), JPEG and ICO/CUR, and placeable WMF and
// EMF metafiles through a player of our own, which draws their records each time the picture is shown.
// Tests derive from it to watch or refuse the calls.
class PictureService {
public:
    virtual ~PictureService() = default;
    // GlobalAlloc: a zero-filled block of the size, false when there is no memory for it.
    virtual bool AllocateBlock(qsizetype size, QByteArray& block);
    // CreateStreamOnHGlobal: the stream takes the block over; 0 on success.
    virtual long CreateStream(QByteArray block, std::unique_ptr<QIODevice>& stream);
    // OleLoadPicture: decodes size bytes of the stream from its start; 0 on success. The animation calls
    // the three on a worker thread, one frame's calls after each other on that thread.
    virtual long LoadPicture(QIODevice& stream, qint64 size, std::shared_ptr<IPicture>& picture);
};

PictureService& pictureService();
// Puts another service in place (tests); nullptr brings back the standard one. Waits first for the
// decodes still running on worker threads through the service in place.
void setPictureService(PictureService* service);
