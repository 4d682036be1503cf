#include "AdvPicture.h"

#include "PictureService.h"
#include "win/Files.h"
#include "win/LibraryError.h"

#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QPainter>

#include <cctype>
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

// A graphic control extension right before an image descriptor: one frame of an animated GIF. The
// bytes are not parsed as blocks, so the pattern counts wherever it stands.
bool isFrameMarker(const QByteArray& data, qsizetype at) {
    return byteAt(data, at) == 0x21 && at + 9 < data.size() && byteAt(data, at + 1) == 0xF9 &&
           byteAt(data, at + 2) == 4 && byteAt(data, at + 8) == 0x2C;
}

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
        ImageData.clear();
        if (OnChange) OnChange();
        if (OnClear) OnClear();
        return;
    }
    if (const auto* picture = dynamic_cast<const TIPicture*>(source)) {
        ImageData = picture->ImageData;
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

int TIPicture::GetFrameCount() {
    if (FrameCountCache != -1) return FrameCountCache;
    if (!IsGIFFile()) return -1;
    int count = 0;
    for (qsizetype at = 0; at < ImageData.size(); ++at)
        if (isFrameMarker(ImageData, at)) ++count;
    FrameCountCache = count;
    return count;
}

int TIPicture::GetFrameTime(int frameNo) {
    if (!IsGIFFile()) return -1;
    int number = 0;
    for (qsizetype at = 0; at < ImageData.size(); ++at) {
        if (!isFrameMarker(ImageData, at) || ++number != frameNo) continue;
        const unsigned packed = byteAt(ImageData, at + 3);
        FrameTransparent = (packed & 1) != 0;
        FrameDisposal = static_cast<std::uint16_t>((packed >> 2) & 7);
        return wordAt(ImageData, at + 4);
    }
    return -1;
}

void TIPicture::LoadPicture() {
    PictureService& service = pictureService();
    QByteArray block;
    if (!service.AllocateBlock(ImageData.size(), block)) throw win::LibraryError("Could not allocate memory for image");
    FrameLeft = FrameTop = 0;
    ScreenWidth = ScreenHeight = 0;

    if (IsGIFFile() && GetFrameCount() > 0) {
        ScreenWidth = wordAt(ImageData, 6);
        ScreenHeight = wordAt(ImageData, 8);
        // Everything before the first frame (header, colour table, extensions), then, from frame 2 on,
        // everything from the wanted frame to the end: the loader shows the first image it meets.
        QByteArray cut;
        cut.reserve(ImageData.size());
        int next = 1;
        bool skipping = false;
        for (qsizetype at = 0; at < ImageData.size(); ++at) {
            if (isFrameMarker(ImageData, at)) {
                if (FFrame == next) {
                    FrameLeft = wordAt(ImageData, at + 9);
                    FrameTop = wordAt(ImageData, at + 11);
                    FrameWidth = wordAt(ImageData, at + 13);
                    FrameHeight = wordAt(ImageData, at + 15);
                }
                ++next;
                skipping = FFrame >= next;
            }
            if (!skipping) cut.append(ImageData[at]);
        }
        std::memcpy(block.data(), cut.constData(), static_cast<size_t>(cut.size()));
    } else if (!ImageData.isEmpty()) {
        std::memcpy(block.data(), ImageData.constData(), static_cast<size_t>(ImageData.size()));
    }

    std::unique_ptr<QIODevice> stream;
    if (service.CreateStream(std::move(block), stream) == -1) throw win::LibraryError("Could not create image stream");
    if (!stream) throw win::LibraryError("Empty image stream created");
    OlePicture.reset();
    std::shared_ptr<IPicture> loaded;
    if (service.LoadPicture(*stream, ImageData.size(), loaded) != 0)
        throw win::LibraryError("Could not load image. Invalid format");
    if (!loaded) throw win::LibraryError("Could not load image");
    OlePicture = std::move(loaded);
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
    // Through an off-screen bitmap of the destination's size, shown where the picture would go.
    if (moved.width() <= 0 || moved.height() <= 0) return;
    QImage buffer(moved.width(), moved.height(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(toQColor(BackgroundColor));
    QPainter offscreen(&buffer);
    OlePicture->Render(offscreen, 0, moved.height(), moved.width(), -moved.height(), 0, 0, hmWidth, hmHeight);
    offscreen.end();
    canvas.drawImage(moved.left, moved.top, buffer);
}
