// Feeds the picture control's GIF frame scan and its picture load (GIFs, bitmaps, metafiles) a file's
// bytes: the scan finds only markers that lie whole inside the bytes, no cut is longer than the file, and
// each frame either loads and draws or raises the loader's error; a metafile draws inside its rectangle.
#include "components/AdvPicture.h"
#include "components/GifFrames.h"
#include "components/Metafile.h"
#include "win/LibraryError.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void require(bool holds)
{
    if (!holds)
        __builtin_trap();
}

} // namespace

// Fontconfig, under the metafiles' text, keeps its caches to the end of the process: not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
    // The decoders' complaints about broken files would cost more than the decoding.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Qt's own refusal of huge images stays in force, set low so that each input decodes quickly.
    QImageReader::setAllocationLimit(1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const std::vector<qsizetype> markers = FindGifFrameMarkers(bytes);
    require(std::is_sorted(markers.begin(), markers.end()));
    for (qsizetype at : markers)
        require(at >= 0 && at + 9 < bytes.size());
    for (int frame : {0, 1, 2, static_cast<int>(markers.size()), static_cast<int>(markers.size()) + 1})
        require(CutGifFrame(bytes, markers, frame).size() <= bytes.size());

    TIPicture picture, onTheSpot;
    for (TIPicture* loaded : {&picture, &onTheSpot}) {
        QByteArray copy = bytes;
        QBuffer stream(&copy);
        stream.open(QIODevice::ReadOnly);
        try {
            loaded->LoadFromStream(&stream);
        } catch (const win::LibraryError&) {
        }
    }
    const int frames = picture.GetFrameCount();
    require(frames == (picture.IsGIFFile() ? static_cast<int>(markers.size()) : -1));

    // A frame decoded ahead on a worker thread comes out as the same frame decoded when it is shown.
    const auto shown = [](TIPicture& shower, int frame) -> std::string {
        try {
            shower.SetFrame(frame);
        } catch (const win::LibraryError& error) {
            return error.what();
        }
        return std::to_string(shower.GetWidth()) + "x" + std::to_string(shower.GetHeight());
    };
    picture.DecodeAhead({2, frames + 1});
    for (int frame : {2, frames + 1})
        require(shown(picture, frame) == shown(onTheSpot, frame));
    QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
    // The first frames, the last, and one past it: every kind of cut, and frames shown a second time.
    for (int frame : {2, 3, frames, frames + 1, 1, 2}) {
        picture.GetFrameTime(frame);
        try {
            picture.SetFrame(frame);
        } catch (const win::LibraryError&) {
            continue;
        }
        QPainter painter(&canvas);
        picture.Draw(painter, TRect{0, 0, 16, 16});
    }
    // A metafile draws inside the rectangle it is given, whatever its records say.
    if (IsMetafile(bytes) && picture.GetWidth() > 0) {
        QImage around(32, 32, QImage::Format_ARGB32_Premultiplied);
        around.fill(Qt::transparent);
        {
            QPainter painter(&around);
            picture.Draw(painter, TRect{8, 8, 24, 24});
        }
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (x < 8 || x >= 24 || y < 8 || y >= 24)
                    require(qAlpha(around.pixel(x, y)) == 0);
    }
    return 0;
}
