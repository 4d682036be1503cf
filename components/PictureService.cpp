#include "PictureService.h"

#include "GifFrames.h"
#include "Graphics.h"
#include "Metafile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <optional>

namespace {

// The loader's refusal of a picture: CTL_E_INVALIDPICTURE.
constexpr long InvalidPicture = static_cast<long>(0x800A017CL);

class BlockStream : public QBuffer {
public:
    explicit BlockStream(QByteArray block) : m_block(std::move(block))
    {
        setBuffer(&m_block);
        open(QIODevice::ReadOnly);
    }

private:
    QByteArray m_block;
};

class QtPicture : public IPicture {
public:
    explicit QtPicture(QImage image)
        : m_image(std::move(image)), m_hmWidth(MulDiv(m_image.width(), HimetricPerInch, ScreenDpi)),
          m_hmHeight(MulDiv(m_image.height(), HimetricPerInch, ScreenDpi))
    {
    }
    int HimetricWidth() const override { return m_hmWidth; }
    int HimetricHeight() const override { return m_hmHeight; }

    void Render(QPainter& canvas, int x, int y, int cx, int cy, int xSrc, int ySrc, int cxSrc, int cySrc) const override
    {
        if (m_image.isNull() || cxSrc == 0 || cySrc == 0 || cx == 0 || cy == 0)
            return;
        // Pixel (u, v) lies at HIMETRIC (u * hmW / W, hmH - v * hmH / H), which the source rectangle
        // maps linearly onto the destination.
        const double hmWidth = HimetricWidth(), hmHeight = HimetricHeight();
        const double scaleX = hmWidth / m_image.width() * cx / cxSrc;
        const double scaleY = -hmHeight / m_image.height() * cy / cySrc;
        const double moveX = x - double(xSrc) * cx / cxSrc;
        const double moveY = y + (hmHeight - ySrc) * cy / cySrc;
        canvas.save();
        canvas.setClipRect(QRect(std::min(x, x + cx), std::min(y, y + cy), std::abs(cx), std::abs(cy)),
                           Qt::IntersectClip);
        canvas.setTransform(QTransform(scaleX, 0, 0, scaleY, moveX, moveY), true);
        canvas.drawImage(0, 0, m_image);
        canvas.restore();
    }

private:
    QImage m_image;
    int m_hmWidth;
    int m_hmHeight;
};

// The source rectangle (HIMETRIC units, y upwards) onto the destination, for a picture of that height,
// as the picture's own HIMETRIC units, y downwards from its top left corner.
QTransform himetricToDestination(int hmHeight, int x, int y, int cx, int cy, int xSrc, int ySrc, int cxSrc, int cySrc)
{
    const double sx = double(cx) / cxSrc, sy = double(cy) / cySrc;
    return QTransform(sx, 0, 0, -sy, x - xSrc * sx, y + (double(hmHeight) - ySrc) * sy);
}

// A metafile keeps its records and plays them into an image of the part of the destination that the
// canvas shows, so its size on screen, not its frame, decides what it costs. The last image is kept
// for the next paint of the same place.
class MetafilePicture : public IPicture {
public:
    explicit MetafilePicture(Metafile file) : m_file(std::move(file)) {}
    int HimetricWidth() const override { return m_file.himetricWidth; }
    int HimetricHeight() const override { return m_file.himetricHeight; }

    void Render(QPainter& canvas, int x, int y, int cx, int cy, int xSrc, int ySrc, int cxSrc, int cySrc) const override
    {
        if (cxSrc == 0 || cySrc == 0 || cx == 0 || cy == 0)
            return;
        const QTransform toCanvas =
            himetricToDestination(m_file.himetricHeight, x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc);
        const QRectF destination = QRectF(x, y, cx, cy).normalized();
        const QTransform world = canvas.worldTransform();
        QRect visible = world.mapRect(destination).toAlignedRect();
        if (const QPaintDevice* device = canvas.device())
            visible &= QRect(0, 0, device->width(), device->height());
        if (canvas.hasClipping())
            visible &= world.mapRect(canvas.clipBoundingRect()).toAlignedRect();
        if (visible.isEmpty())
            return;
        // Beyond the bound the drawing is made at a lower resolution and scaled up.
        const double pixels = double(visible.width()) * visible.height();
        const double resolution = pixels > MaxPicturePixels ? std::sqrt(MaxPicturePixels / pixels) : 1.0;
        const QSize size(std::max(1, int(visible.width() * resolution)),
                         std::max(1, int(visible.height() * resolution)));
        QTransform canvasToImage = world * QTransform::fromTranslate(-visible.x(), -visible.y());
        canvasToImage *=
            QTransform::fromScale(double(size.width()) / visible.width(), double(size.height()) / visible.height());
        const QTransform toImage = toCanvas * canvasToImage;
        if (m_cache.isNull() || m_cacheTransform != toImage || m_cache.size() != size) {
            m_cache = QImage(size, QImage::Format_ARGB32_Premultiplied);
            if (m_cache.isNull())
                return;
            m_cache.fill(Qt::transparent);
            QPainter painter(&m_cache);
            QPainterPath clip;
            // Only the source rectangle shows, inside the destination.
            clip.addPolygon(canvasToImage.map(QPolygonF(destination)));
            PlayMetafile(m_file, painter, toImage, clip);
            m_cacheTransform = toImage;
        }
        canvas.save();
        canvas.setWorldTransform(QTransform());
        canvas.drawImage(QRectF(visible), m_cache);
        canvas.restore();
    }

private:
    Metafile m_file;
    mutable QImage m_cache;
    mutable QTransform m_cacheTransform;
};

bool tooLarge(QSize size) { return qint64(size.width()) * size.height() > MaxPicturePixels; }

PictureService standardService;
PictureService* currentService = nullptr;

} // namespace

bool PictureService::AllocateBlock(qsizetype size, QByteArray& block)
{
    try {
        block = QByteArray(size, '\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    return block.size() == size;
}

long PictureService::CreateStream(QByteArray block, std::unique_ptr<QIODevice>& stream)
{
    stream = std::make_unique<BlockStream>(std::move(block));
    return 0;
}

long PictureService::LoadPicture(QIODevice& stream, qint64 size, std::shared_ptr<IPicture>& picture)
{
    stream.seek(0);
    // A block's stream is read where it lies: a big file is not copied once more for each frame.
    const auto* block = dynamic_cast<const QBuffer*>(&stream);
    DecodedPicture decoded = DecodePicture(block && block->size() == size ? block->data() : stream.read(size));
    picture = std::move(decoded.picture);
    return decoded.error;
}

DecodedPicture DecodePicture(const QByteArray& bytes)
{
    if (IsMetafile(bytes)) {
        std::optional<Metafile> metafile = ReadMetafile(bytes);
        if (!metafile) return {nullptr, InvalidPicture};
        return {std::make_shared<MetafilePicture>(std::move(*metafile)), 0};
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format != "bmp" && format != "gif" && format != "jpeg" && format != "ico" && format != "cur")
        return {nullptr, InvalidPicture};
    std::optional<QRect> first;
    if (format == "gif") {
        first = FirstGifImage(bytes);
        if (tooLarge(QSize(GifScreenWidth(bytes), GifScreenHeight(bytes))) || (first && tooLarge(first->size())))
            return {nullptr, InvalidPicture};
    }
    if (tooLarge(reader.size()))
        return {nullptr, InvalidPicture};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {nullptr, InvalidPicture};
    // Qt composes a GIF's first image into its whole logical screen; the platform's picture is the
    // image alone, placed by the caller at its position in the screen.
    if (first) {
        const QRect inside = first->intersected(image.rect());
        if (!inside.isEmpty() && inside != image.rect())
            image = image.copy(inside);
    }
    return {std::make_shared<QtPicture>(std::move(image)), 0};
}

PictureService& pictureService() { return currentService ? *currentService : standardService; }

void setPictureService(PictureService* service)
{
    // Frames decoding ahead run through the service in place; it must see them end before it goes.
    QThreadPool::globalInstance()->waitForDone();
    currentService = service;
}
