#include "AdvPicture.h"

#include "GifFrames.h"
#include "PictureService.h"
#include "win/Files.h"
#include "win/LibraryError.h"

#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QPainter>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <utility>

namespace {

bool startsWith(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// The picture service's steps for the bytes the loader gets for one frame (its cut key); safe on any
// thread, as it touches nothing but its arguments. Just before the loader runs, the shown picture may
// be let go, so that it is not held while the next one decodes.
FrameLoad loadFrame(PictureService& service, const QByteArray& data, const std::vector<qsizetype>& markers, int key,
                    const std::function<void()>& beforeLoader = {})
{
    QByteArray block;
    if (!service.AllocateBlock(data.size(), block))
        return {nullptr, "Could not allocate memory for image", FrameLoad::Allocation};
    {
        const QByteArray cut = CutGifFrame(data, markers, key);
        if (!cut.isEmpty())
            std::memcpy(block.data(), cut.constData(), static_cast<size_t>(cut.size()));
    }
    std::unique_ptr<QIODevice> stream;
    if (service.CreateStream(std::move(block), stream) == -1)
        return {nullptr, "Could not create image stream", FrameLoad::Stream};
    if (!stream)
        return {nullptr, "Empty image stream created", FrameLoad::Stream};
    if (beforeLoader)
        beforeLoader();
    std::shared_ptr<IPicture> loaded;
    if (service.LoadPicture(*stream, data.size(), loaded) != 0)
        return {nullptr, "Could not load image. Invalid format", FrameLoad::Loader};
    if (!loaded)
        return {nullptr, "Could not load image", FrameLoad::Loader};
    return {std::move(loaded), {}, FrameLoad::Loader};
}

const std::vector<qsizetype> NoMarkers;

// A frame shown before and held nowhere else is let go on a worker thread: giving back the memory of a
// large one takes the window's time too.
void letGo(std::shared_ptr<IPicture> picture)
{
    if (picture && picture.use_count() == 1)
        QThreadPool::globalInstance()->start([picture = std::move(picture)]() mutable { picture.reset(); });
}

} // namespace

TIPicture::TIPicture() = default;
TIPicture::~TIPicture() = default;

void TIPicture::replaceData(QByteArray data)
{
    ImageData = std::move(data);
    FrameCountCache = -1;
    m_markers.reset();
    m_allFramesFit.reset();
    m_decoded.clear();
    m_decodedPixels = 0;
    // A decode still running for the old bytes finishes on its own; its frame is never shown.
    m_ahead.clear();
}

void TIPicture::LoadFromFile(const std::string& fileName)
{
    try {
        std::string contents;
        if (!win::readWholeFile(fileName, contents))
            throw win::LibraryError("Cannot open file \"" + fileName + "\"");
        replaceData(QByteArray(contents.data(), static_cast<qsizetype>(contents.size())));
        FEmpty = false;
        FFrame = 1;
        ScreenWidth = ScreenHeight = 0;
        LoadPicture();
        if (OnClear)
            OnClear();
        if (OnChange)
            OnChange();
    } catch (const std::exception&) {
        replaceData(QByteArray());
        FEmpty = true;
        OlePicture.reset();
    }
}

void TIPicture::LoadFromStream(QIODevice* stream)
{
    if (!stream)
        return;
    replaceData(readWholeStream(*stream));
    FEmpty = false;
    FFrame = 1;
    ScreenWidth = ScreenHeight = 0;
    LoadPicture();
    if (OnChange)
        OnChange();
}

void TIPicture::ReadData(QIODevice* stream)
{
    if (!stream)
        return;
    replaceData(readWholeStream(*stream));
    FEmpty = false;
    ScreenWidth = ScreenHeight = 0;
    LoadPicture();
}

void TIPicture::SaveToStream(QIODevice* stream) const
{
    if (stream)
        stream->write(ImageData);
}

void TIPicture::WriteData(QIODevice* stream) const { SaveToStream(stream); }

void TIPicture::LoadFromResourceName(const std::string& name)
{
    QFile resource(":/" + QString::fromStdString(name));
    if (resource.exists() && resource.open(QIODevice::ReadOnly))
        LoadFromStream(&resource);
}

void TIPicture::LoadFromResourceID(int resId)
{
    QFile resource(":/" + QString::number(resId));
    if (!resource.open(QIODevice::ReadOnly))
        throw win::LibraryError(win::formatMessage("Resource %d not found", static_cast<long>(resId)));
    LoadFromStream(&resource);
}

void TIPicture::LoadFromURL(const std::string& url)
{
    if (startsWith(url, "RES://")) {
        SourceUrl = url;
        if (url.size() > 6)
            LoadFromResourceName(url.substr(6));
    } else if (startsWith(url, "FILE://")) {
        SourceUrl = url;
        if (url.size() > 7)
            LoadFromFile(url.substr(7));
    }
}

void TIPicture::Assign(const TGraphic* source)
{
    FEmpty = true;
    FrameCountCache = -1;
    OlePicture.reset();
    if (!source) {
        replaceData(QByteArray());
        if (OnChange)
            OnChange();
        if (OnClear)
            OnClear();
        return;
    }
    if (const auto* picture = dynamic_cast<const TIPicture*>(source)) {
        replaceData(picture->ImageData);
        FEmpty = false;
        LoadPicture();
        if (OnChange)
            OnChange();
    }
}

void TIPicture::SetFrame(int value)
{
    FFrame = value;
    if (!ImageData.isEmpty()) {
        LoadPicture();
        if (OnFrameChange)
            OnFrameChange();
    }
}

bool TIPicture::IsGIFFile() const { return ImageData.size() > 4 && ImageData.startsWith("GIF8"); }

const std::vector<qsizetype>& TIPicture::frameMarkers()
{
    if (!m_markers)
        m_markers = std::make_shared<const std::vector<qsizetype>>(FindGifFrameMarkers(ImageData));
    return *m_markers;
}

int TIPicture::frameKey(int frame)
{
    if (!IsGIFFile() || GetFrameCount() == 0)
        return 1;
    // Frames 1 and below all show the whole file, frames past the last marker none.
    return std::clamp(frame, 1, GetFrameCount() + 1);
}

int TIPicture::GetFrameCount()
{
    if (FrameCountCache != -1)
        return FrameCountCache;
    if (!IsGIFFile())
        return -1;
    FrameCountCache = static_cast<int>(frameMarkers().size());
    return FrameCountCache;
}

int TIPicture::GetFrameTime(int frameNo)
{
    if (!IsGIFFile())
        return -1;
    const std::vector<qsizetype>& markers = frameMarkers();
    if (frameNo < 1 || static_cast<size_t>(frameNo) > markers.size())
        return -1;
    const GifFrameMarker marker = ReadGifFrameMarker(ImageData, markers[static_cast<size_t>(frameNo) - 1]);
    FrameTransparent = marker.transparent;
    FrameDisposal = marker.disposal;
    return marker.delay;
}

void TIPicture::placeFrame()
{
    FrameLeft = FrameTop = 0;
    ScreenWidth = ScreenHeight = 0;
    if (!IsGIFFile() || GetFrameCount() == 0)
        return;
    ScreenWidth = GifScreenWidth(ImageData);
    ScreenHeight = GifScreenHeight(ImageData);
    if (FFrame >= 1 && FFrame <= GetFrameCount()) {
        const GifFrameMarker marker = ReadGifFrameMarker(ImageData, frameMarkers()[static_cast<size_t>(FFrame) - 1]);
        FrameLeft = marker.left;
        FrameTop = marker.top;
        FrameWidth = marker.width;
        FrameHeight = marker.height;
    }
}

void TIPicture::LoadPicture()
{
    const int key = frameKey(FFrame);
    // A frame decoded once is shown again from memory: an animation decodes each frame only once.
    if (const auto decoded = m_decoded.find(key); decoded != m_decoded.end()) {
        placeFrame();
        OlePicture = decoded->second;
        return;
    }
    FrameLoad load;
    if (auto ahead = m_ahead.find(key); ahead != m_ahead.end()) {
        load = ahead->second.result();
        m_ahead.erase(ahead);
    } else {
        const bool frames = IsGIFFile() && GetFrameCount() > 0;
        load = loadFrame(pictureService(), ImageData, frames ? frameMarkers() : NoMarkers, key,
                         [this] { OlePicture.reset(); });
    }
    if (load.failedAt == FrameLoad::Allocation)
        throw win::LibraryError(load.error);
    placeFrame();
    if (load.failedAt == FrameLoad::Stream)
        throw win::LibraryError(load.error);
    std::shared_ptr<IPicture> previous = std::exchange(OlePicture, std::move(load.picture));
    if (OlePicture)
        keepDecoded(key);
    letGo(std::move(previous));
    if (!OlePicture)
        throw win::LibraryError(load.error);
}

void TIPicture::keepDecoded(int key)
{
    if (!m_allFramesFit) {
        qint64 pixels = 0;
        if (IsGIFFile())
            for (qsizetype at : frameMarkers()) {
                const GifFrameMarker marker = ReadGifFrameMarker(ImageData, at);
                pixels += qint64(marker.width) * marker.height;
            }
        m_allFramesFit = pixels <= MaxDecodedPixels;
    }
    const qint64 pixels = qint64(GetWidth()) * GetHeight();
    // Of an animation too large to keep, only the frame shown is kept, held anyway: showing it again,
    // as frame 1 after frame 0, takes no decoding.
    if (!*m_allFramesFit) {
        m_decoded = {{key, OlePicture}};
        m_decodedPixels = pixels;
        return;
    }
    // The frames' own sizes may promise less than the decoder makes of them: the bound holds for what it made.
    if (m_decodedPixels + pixels <= MaxDecodedPixels) {
        m_decoded.emplace(key, OlePicture);
        m_decodedPixels += pixels;
    }
}

bool TIPicture::FrameReady(int frame)
{
    const int key = frameKey(frame);
    if (m_decoded.count(key))
        return true;
    const auto ahead = m_ahead.find(key);
    return ahead != m_ahead.end() && ahead->second.isFinished();
}

void TIPicture::DecodeAhead(const std::vector<int>& frames)
{
    std::map<int, QFuture<FrameLoad>> wanted;
    if (IsGIFFile() && GetFrameCount() > 0) {
        frameMarkers(); // the scan the workers share
        for (int frame : frames) {
            const int key = frameKey(frame);
            if (m_decoded.count(key) || wanted.count(key))
                continue;
            if (auto ahead = m_ahead.find(key); ahead != m_ahead.end()) {
                wanted.emplace(key, std::move(ahead->second));
                continue;
            }
            // The worker holds its own share of the bytes and the scan, so replacing them here does not
            // pull them from under it.
            wanted.emplace(key, QtConcurrent::run([&service = pictureService(), data = ImageData, markers = m_markers,
                                                   key] { return loadFrame(service, data, *markers, key); }));
        }
    }
    m_ahead = std::move(wanted);
}

int TIPicture::GetWidth() const { return OlePicture ? MulDiv(OlePicture->HimetricWidth(), PixelsPerInchX, 2540) : 0; }

int TIPicture::GetHeight() const { return OlePicture ? MulDiv(OlePicture->HimetricHeight(), PixelsPerInchY, 2540) : 0; }

int TIPicture::GetMaxWidth() const
{
    if (!OlePicture)
        return 0;
    return ScreenWidth != 0 ? ScreenWidth : GetWidth();
}

int TIPicture::GetMaxHeight() const
{
    if (!OlePicture)
        return 0;
    return ScreenHeight != 0 ? ScreenHeight : GetHeight();
}

void TIPicture::Draw(QPainter& canvas, const TRect& rect)
{
    if (FEmpty || !OlePicture)
        return;
    const int hmWidth = OlePicture->HimetricWidth();
    const int hmHeight = OlePicture->HimetricHeight();
    const TRect moved{rect.left + FrameLeft, rect.top + FrameTop, rect.right + FrameLeft, rect.bottom + FrameTop};
    if (!DoubleBuffered) {
        OlePicture->Render(canvas, moved.left, moved.bottom, moved.width(), -moved.height(), 0, 0, hmWidth, hmHeight);
        return;
    }
    // Through an off-screen bitmap of the destination's size, shown where the picture would go; only the
    // part the canvas shows is buffered, as a metafile drawn at full size may be far larger than any image.
    QRect shown(moved.left, moved.top, moved.width(), moved.height());
    if (const QPaintDevice* device = canvas.device())
        shown &= canvas.worldTransform().inverted().mapRect(QRect(0, 0, device->width(), device->height()));
    if (canvas.hasClipping())
        shown &= canvas.clipBoundingRect().toAlignedRect();
    if (shown.isEmpty())
        return;
    QImage buffer(shown.size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(toQColor(BackgroundColor));
    QPainter offscreen(&buffer);
    OlePicture->Render(offscreen, moved.left - shown.left(), moved.bottom - shown.top(), moved.width(), -moved.height(),
                       0, 0, hmWidth, hmHeight);
    offscreen.end();
    canvas.drawImage(shown.topLeft(), buffer);
}
