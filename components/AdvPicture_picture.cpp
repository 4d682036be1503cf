#include "AdvPicture.h"

#include "GifFrames.h"
#include "PictureService.h"
#include "win/Files.h"
#include "win/LibraryError.h"

#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

} // namespace

TIPicture::TIPicture() = default;
TIPicture::~TIPicture() = default;

void TIPicture::replaceData(QByteArray data) {
    ImageData = std::move(data);
    FrameCountCache = -1;
    m_markers.reset();
    m_decoded.clear();
    m_decodedPixels = 0;
}

void TIPicture::LoadFromFile(const std::string& fileName) {
    try {
        std::string contents;
        if (!win::readWholeFile(fileName, contents)) throw win::LibraryError("Cannot open file \"" + fileName + "\"");
        replaceData(QByteArray(contents.data(), static_cast<qsizetype>(contents.size())));
        FEmpty = false;
        FFrame = 1;
        ScreenWidth = ScreenHeight = 0;
        LoadPicture();
        if (OnClear) OnClear();
        if (OnChange) OnChange();
    } catch (const std::exception&) {
        replaceData(QByteArray());
        FEmpty = true;
        OlePicture.reset();
    }
}

void TIPicture::LoadFromStream(QIODevice* stream) {
    if (!stream) return;
    replaceData(readWholeStream(*stream));
    FEmpty = false;
    FFrame = 1;
    ScreenWidth = ScreenHeight = 0;
    LoadPicture();
    if (OnChange) OnChange();
}

void TIPicture::ReadData(QIODevice* stream) {
    if (!stream) return;
    replaceData(readWholeStream(*stream));
    FEmpty = false;
    ScreenWidth = ScreenHeight = 0;
    LoadPicture();
}

void TIPicture::SaveToStream(QIODevice* stream) const {
    if (stream) stream->write(ImageData);
}

void TIPicture::WriteData(QIODevice* stream) const {
    SaveToStream(stream);
}

void TIPicture::LoadFromResourceName(const std::string& name) {
    QFile resource(":/" + QString::fromStdString(name));
    if (resource.exists() && resource.open(QIODevice::ReadOnly)) LoadFromStream(&resource);
}

void TIPicture::LoadFromResourceID(int resId) {
    QFile resource(":/" + QString::number(resId));
    if (!resource.open(QIODevice::ReadOnly))
        throw win::LibraryError(win::formatMessage("Resource %d not found", static_cast<long>(resId)));
    LoadFromStream(&resource);
}

void TIPicture::LoadFromURL(const std::string& url) {
    if (startsWith(url, "RES://")) {
        SourceUrl = url;
        if (url.size() > 6) LoadFromResourceName(url.substr(6));
    } else if (startsWith(url, "FILE://")) {
        SourceUrl = url;
        if (url.size() > 7) LoadFromFile(url.substr(7));
    }
}

void TIPicture::Assign(const TGraphic* source) {
    FEmpty = true;
    FrameCountCache = -1;
    OlePicture.reset();
    if (!source) {
        replaceData(QByteArray());
        if (OnChange) OnChange();
        if (OnClear) OnClear();
        return;
    }
    if (const auto* picture = dynamic_cast<const TIPicture*>(source)) {
        replaceData(picture->ImageData);
        FEmpty = false;
        LoadPicture();
        if (OnChange) OnChange();
    }
}

void TIPicture::SetFrame(int value) {
    FFrame = value;
    if (!ImageData.isEmpty()) {
        LoadPicture();
        if (OnFrameChange) OnFrameChange();
    }
}

bool TIPicture::IsGIFFile() const {
    return ImageData.size() > 4 && ImageData.startsWith("GIF8");
}

const std::vector<qsizetype>& TIPicture::frameMarkers() {
    if (!m_markers) m_markers = FindGifFrameMarkers(ImageData);
    return *m_markers;
}

int TIPicture::GetFrameCount() {
    if (FrameCountCache != -1) return FrameCountCache;
    if (!IsGIFFile()) return -1;
    FrameCountCache = static_cast<int>(frameMarkers().size());
    return FrameCountCache;
}

int TIPicture::GetFrameTime(int frameNo) {
    if (!IsGIFFile()) return -1;
    const std::vector<qsizetype>& markers = frameMarkers();
    if (frameNo < 1 || static_cast<size_t>(frameNo) > markers.size()) return -1;
    const GifFrameMarker marker = ReadGifFrameMarker(ImageData, markers[static_cast<size_t>(frameNo) - 1]);
    FrameTransparent = marker.transparent;
    FrameDisposal = marker.disposal;
    return marker.delay;
}

void TIPicture::LoadPicture() {
    const bool frames = IsGIFFile() && GetFrameCount() > 0;
    const int frameCount = frames ? GetFrameCount() : 0;
    // Frames 1 and below all show the whole file, frames past the last marker none.
    const int cutKey = frames ? std::clamp(FFrame, 1, frameCount + 1) : 1;
    const auto placeFrame = [&] {
        FrameLeft = FrameTop = 0;
        ScreenWidth = ScreenHeight = 0;
        if (!frames) return;
        ScreenWidth = GifScreenWidth(ImageData);
        ScreenHeight = GifScreenHeight(ImageData);
        if (FFrame >= 1 && FFrame <= frameCount) {
            const GifFrameMarker marker = ReadGifFrameMarker(ImageData, frameMarkers()[static_cast<size_t>(FFrame) - 1]);
            FrameLeft = marker.left;
            FrameTop = marker.top;
            FrameWidth = marker.width;
            FrameHeight = marker.height;
        }
    };
    // A frame decoded once is shown again from memory: an animation decodes each frame only once.
    if (const auto decoded = m_decoded.find(cutKey); decoded != m_decoded.end()) {
        placeFrame();
        OlePicture = decoded->second;
        return;
    }

    PictureService& service = pictureService();
    QByteArray block;
    if (!service.AllocateBlock(ImageData.size(), block)) throw win::LibraryError("Could not allocate memory for image");
    placeFrame();
    const QByteArray cut = frames ? CutGifFrame(ImageData, frameMarkers(), FFrame) : ImageData;
    if (!cut.isEmpty()) std::memcpy(block.data(), cut.constData(), static_cast<size_t>(cut.size()));

    std::unique_ptr<QIODevice> stream;
    if (service.CreateStream(std::move(block), stream) == -1) throw win::LibraryError("Could not create image stream");
    if (!stream) throw win::LibraryError("Empty image stream created");
    OlePicture.reset();
    std::shared_ptr<IPicture> loaded;
    if (service.LoadPicture(*stream, ImageData.size(), loaded) != 0)
        throw win::LibraryError("Could not load image. Invalid format");
    if (!loaded) throw win::LibraryError("Could not load image");
    OlePicture = std::move(loaded);

    // Decoded frames are kept up to a bound, so a long animation of large frames does not fill memory.
    const qint64 pixels = qint64(GetWidth()) * GetHeight();
    if (m_decodedPixels + pixels <= MaxDecodedPixels) {
        m_decoded.emplace(cutKey, OlePicture);
        m_decodedPixels += pixels;
    }
}

int TIPicture::GetWidth() const {
    return OlePicture ? MulDiv(OlePicture->HimetricWidth(), PixelsPerInchX, 2540) : 0;
}

int TIPicture::GetHeight() const {
    return OlePicture ? MulDiv(OlePicture->HimetricHeight(), PixelsPerInchY, 2540) : 0;
}

int TIPicture::GetMaxWidth() const {
    if (!OlePicture) return 0;
    return ScreenWidth != 0 ? ScreenWidth : GetWidth();
}

int TIPicture::GetMaxHeight() const {
    if (!OlePicture) return 0;
    return ScreenHeight != 0 ? ScreenHeight : GetHeight();
}

void TIPicture::Draw(QPainter& canvas, const TRect& rect) {
    if (FEmpty || !OlePicture) return;
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
