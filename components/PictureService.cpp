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
    // A metafile has a size of its own, drawn at 96 pixels to the inch.
    QtPicture(QImage image, int hmWidth, int hmHeight)
        : m_image(std::move(image)), m_hmWidth(hmWidth), m_hmHeight(hmHeight)
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
        std::optional<MetafilePicture> metafile = DecodeMetafile(bytes, MaxPictureSide);
        if (!metafile)
            return {nullptr, InvalidPicture};
        return {
            std::make_shared<QtPicture>(std::move(metafile->image), metafile->himetricWidth, metafile->himetricHeight),
            0};
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
        const auto tooLarge = [](int width, int height) { return width > MaxPictureSide || height > MaxPictureSide; };
        if (tooLarge(GifScreenWidth(bytes), GifScreenHeight(bytes)) ||
            (first && tooLarge(first->width(), first->height())))
            return {nullptr, InvalidPicture};
    }
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
