#include "components/AdvPicture.h"
#include "GifFixture.h"
#include "Render.h"
#include "TestSupport.h"
#include "components/PictureService.h"
#include "components/aniicon.h"
#include "ui/MessageBox.h"
#include "win/LibraryError.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>

namespace {

void load(TIPicture& picture, QByteArray bytes)
{
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    picture.LoadFromStream(&stream);
}

std::string loadError(TIPicture& picture, const QByteArray& bytes)
{
    try {
        load(picture, bytes);
    } catch (const win::LibraryError& error) {
        return error.what();
    }
    return "";
}

QByteArray savedBytes(const TIPicture& picture)
{
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::WriteOnly);
    picture.SaveToStream(&stream);
    return bytes;
}

// A 40 x 20 bitmap, red above and blue below, so that a picture drawn upside down shows.
QByteArray twoBandBitmap()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 10; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixelColor(x, y, Qt::blue);
    QByteArray bytes;
    QBuffer stream(&bytes);
    stream.open(QIODevice::WriteOnly);
    image.save(&stream, "BMP");
    return bytes;
}

// Red, then a smaller green frame inside it, then blue, each left in place by the next.
const QByteArray ThreeFrames = gif::build(
    "GIF89a", 8, 6, {{0, 0, 8, 6, 1, 5, 0, false}, {2, 2, 4, 3, 2, 7, 2, true}, {0, 0, 8, 6, 3, 9, 1, false}});
const qsizetype BeforeFirstFrame = gif::prefix("GIF89a", 8, 6).size();

// Made by ImageMagick 6.9 (convert -delay 20 -size 16x16 xc:red xc:lime xc:blue xc:yellow -loop 0), which
// writes its loop block between the first frame's control extension and its image.
QByteArray imageMagickFourColours()
{
    QFile file(STYLARA_TEST_DATA "/imagemagick-four-colours.gif");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The application block that makes an animation loop for ever.
const QByteArray LoopBlock("\x21\xFF\x0B"
                           "NETSCAPE2.0"
                           "\x03\x01\x00\x00\x00",
                           19);

// A picture that counts how often it is drawn.
class CountedPicture : public IPicture {
public:
    CountedPicture(std::shared_ptr<IPicture> inner, int& renders) : m_inner(std::move(inner)), m_renders(renders) {}
    int HimetricWidth() const override { return m_inner->HimetricWidth(); }
    int HimetricHeight() const override { return m_inner->HimetricHeight(); }
    void Render(QPainter& canvas, int x, int y, int cx, int cy, int xSrc, int ySrc, int cxSrc, int cySrc) const override
    {
        ++m_renders;
        m_inner->Render(canvas, x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc);
    }

private:
    std::shared_ptr<IPicture> m_inner;
    int& m_renders;
};

// Watches what the picture service is handed and refuses a step when told to. The animation decodes
// frames ahead on worker threads, so what those calls touch is safe there; a decode may be made slow.
class WatchingService : public PictureService {
public:
    enum Refusal { None, Allocation, StreamFailed, NoStream, LoaderRefused, NoPicture };
    std::atomic<Refusal> refuse = None;
    QByteArray block; // read by tests only while nothing decodes ahead
    std::atomic<qint64> size = -1;
    std::atomic<int> loads = 0; // pictures decoded
    int renders = 0;            // draws of the pictures decoded
    std::atomic<int> decodeMs = 0;
    std::atomic<int> decoding = 0, mostAtOnce = 0;

    bool AllocateBlock(qsizetype bytes, QByteArray& into) override
    {
        return refuse != Allocation && PictureService::AllocateBlock(bytes, into);
    }
    long CreateStream(QByteArray handed, std::unique_ptr<QIODevice>& stream) override
    {
        {
            const std::lock_guard<std::mutex> lock(m_blockLock);
            block = handed;
        }
        if (refuse == StreamFailed)
            return -1;
        if (refuse == NoStream)
            return 0;
        return PictureService::CreateStream(handed, stream);
    }
    long LoadPicture(QIODevice& stream, qint64 bytes, std::shared_ptr<IPicture>& picture) override
    {
        const int now = ++decoding;
        for (int most = mostAtOnce; now > most && !mostAtOnce.compare_exchange_weak(most, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(decodeMs.load()));
        const long result = decode(stream, bytes, picture);
        --decoding;
        return result;
    }

private:
    long decode(QIODevice& stream, qint64 bytes, std::shared_ptr<IPicture>& picture)
    {
        size = bytes;
        if (refuse == LoaderRefused)
            return 1;
        if (refuse == NoPicture)
            return 0;
        const long result = PictureService::LoadPicture(stream, bytes, picture);
        if (picture) {
            ++loads;
            picture = std::make_shared<CountedPicture>(picture, renders);
        }
        return result;
    }
    std::mutex m_blockLock;
};

struct ServiceInPlace {
    WatchingService service;
    ServiceInPlace() { setPictureService(&service); }
    ~ServiceInPlace() { setPictureService(nullptr); }
};

// Notes the region of every paint the watched widget gets.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* widget) { widget->installEventFilter(this); }
    std::vector<QRegion> regions;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            regions.push_back(static_cast<QPaintEvent*>(event)->region());
        return false;
    }
};

// A control of the frames' size on a form on screen, with the paints of its showing done.
struct ShownControl {
    QWidget form;
    TAdvPicture* control = new TAdvPicture(&form);
    ShownControl()
    {
        form.resize(40, 40);
        control->resize(8, 6);
        form.show();
        QCoreApplication::processEvents();
    }
};

// A GIF as large as the control takes: 4000 by 4000, 20 full-screen frames of 10 hundredths each, in
// diagonal stripes whose top left pixel is red in the odd frames and green in the even ones. Each frame
// takes the decoder about a tenth of a second.
constexpr int BigFrames = 20;
constexpr int BigDelay = 10;
const QByteArray& bigAnimation()
{
    static const QByteArray bytes = [] {
        constexpr int Side = 4000;
        QByteArray images[2];
        for (int shift = 0; shift < 2; ++shift) {
            std::vector<std::uint8_t> pixels(size_t(Side) * Side);
            for (int y = 0; y < Side; ++y)
                for (int x = 0; x < Side; ++x)
                    pixels[size_t(y) * Side + size_t(x)] = std::uint8_t((x / 16 + y / 16 + shift) % 3 + 1);
            images[shift] = gif::lzwImageData(pixels);
        }
        QByteArray out = gif::prefix("GIF89a", Side, Side);
        for (int frame = 1; frame <= BigFrames; ++frame)
            out += gif::frame({0, 0, Side, Side, 0, BigDelay, 1}, images[(frame + 1) % 2]);
        out += char(0x3B);
        return out;
    }();
    return bytes;
}

QColor bigFrameCorner(int frame) { return frame % 2 == 1 ? QColor(Qt::red) : QColor(Qt::green); }

// Times the event loop by a tick every 2 ms: the longest gap between two ticks, and the most time the GUI
// thread itself spent between two of them (what a busy machine does not stretch).
class LoopWatch {
public:
    LoopWatch()
    {
        m_probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_probe, &QTimer::timeout, [this] { tick(); });
        m_probe.start(2);
        m_wall.start();
        m_lastCpu = threadCpuMs();
    }
    double longestGapMs = 0;
    double longestBusyMs = 0;

private:
    static double threadCpuMs()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }
    void tick()
    {
        const double wall = m_wall.nsecsElapsed() / 1e6, cpu = threadCpuMs();
        longestGapMs = std::max(longestGapMs, wall - m_lastWall);
        longestBusyMs = std::max(longestBusyMs, cpu - m_lastCpu);
        m_lastWall = wall;
        m_lastCpu = cpu;
    }
    QTimer m_probe;
    QElapsedTimer m_wall;
    double m_lastWall = 0, m_lastCpu = 0;
};

} // namespace

TEST(AdvPicture, PositionsAndStretchModes)
{
    struct Row {
        const char* id;
        int side;
        TPicturePosition position;
        TStretchMode mode;
        QRect expected;
    };
    const std::vector<Row> rows = {
        {"top left", 100, bpTopLeft, smNever, {0, 0, 40, 20}},
        {"top left, shrink never enlarges", 100, bpTopLeft, smShrink, {0, 0, 40, 20}},
        {"top right", 100, bpTopRight, smNever, {60, 0, 40, 20}},
        {"top right, shrink", 100, bpTopRight, smShrink, {60, 0, 40, 20}},
        {"bottom left", 100, bpBottomLeft, smNever, {0, 80, 40, 20}},
        {"bottom right, shrink", 100, bpBottomRight, smShrink, {60, 80, 40, 20}},
        {"centre", 100, bpCenter, smNever, {30, 40, 40, 20}},
        {"centre, shrink", 100, bpCenter, smShrink, {30, 40, 40, 20}},
        {"stretched", 100, bpStretched, smNever, {0, 0, 100, 100}},
        {"stretched with aspect enlarges", 100, bpStretchedWithAspect, smNever, {0, 0, 100, 50}},
        {"small: top left", 30, bpTopLeft, smNever, {0, 0, 30, 20}},
        {"small: top left, shrink", 30, bpTopLeft, smShrink, {0, 0, 30, 15}},
        {"small: top right", 30, bpTopRight, smNever, {0, 0, 30, 20}},
        {"small: top right, shrink", 30, bpTopRight, smShrink, {0, 0, 30, 15}},
        {"small: bottom left", 30, bpBottomLeft, smNever, {0, 10, 30, 20}},
        {"small: bottom left, shrink", 30, bpBottomLeft, smShrink, {0, 15, 30, 15}},
        {"small: bottom right", 30, bpBottomRight, smNever, {0, 10, 30, 20}},
        {"small: bottom right, shrink", 30, bpBottomRight, smShrink, {0, 15, 30, 15}},
        {"small: centre", 30, bpCenter, smNever, {0, 5, 30, 20}},
        {"small: centre, shrink", 30, bpCenter, smShrink, {0, 7, 30, 15}},
        {"small: stretched", 30, bpStretched, smShrink, {0, 0, 30, 30}},
        {"small: stretched with aspect", 30, bpStretchedWithAspect, smNever, {0, 0, 30, 15}},
    };
    const QByteArray bitmap = twoBandBitmap();
    for (const Row& row : rows) {
        TAdvPicture control;
        control.resize(row.side, row.side);
        load(*control.Picture(), bitmap);
        control.SetPicturePosition(row.position);
        control.SetStretchMode(row.mode);
        const QImage image = rendered(control);
        const QRect box = paintedBox(image);
        EXPECT_EQ(box, row.expected) << row.id;
        if (box.isValid()) {
            EXPECT_EQ(at(image, box.left(), box.top()), QColor(Qt::red)) << row.id << ": upright";
            EXPECT_EQ(at(image, box.right(), box.bottom()), QColor(Qt::blue)) << row.id << ": upright";
        }
    }
}

TEST(AdvPicture, TilesFromTheTopLeftCorner)
{
    TAdvPicture control;
    load(*control.Picture(), twoBandBitmap());
    control.SetPicturePosition(bpTiled);
    const QImage image = rendered(control);
    EXPECT_EQ(paintedBox(image), QRect(0, 0, 100, 100));
    EXPECT_EQ(at(image, 0, 19), QColor(Qt::blue));
    EXPECT_EQ(at(image, 0, 20), QColor(Qt::red)) << "the second row starts at the picture's height";
    EXPECT_EQ(at(image, 40, 0), QColor(Qt::red)) << "the second column at its width";
    EXPECT_EQ(at(image, 99, 99), QColor(Qt::blue));
}

TEST(AdvPicture, SignatureAndFrameCount)
{
    struct Row {
        const char* id;
        QByteArray bytes;
        bool gif;
        int frames;
    };
    const std::vector<Row> rows = {
        {"GIF89a with three frames", ThreeFrames, true, 3},
        {"GIF87a has no frame markers", gif::build("GIF87a", 5, 5, {{0, 0, 5, 5, 2, 0, 0, false, false}}), true, 0},
        {"signature in lower case", QByteArray("gif89a") + ThreeFrames.mid(6), false, -1},
        {"four bytes only", QByteArray("GIF8"), false, -1},
        {"a bitmap", twoBandBitmap(), false, -1},
        {"ImageMagick's four frames, the first parted from its control extension by the loop block",
         imageMagickFourColours(), true, 4},
        // Where no image stands behind the other blocks, or a control extension of another size or a
        // second one comes first, the count is the byte scan's.
        {"a control extension, a comment, then the trailer",
         gif::prefix("GIF89a", 2, 2) + QByteArray("\x21\xF9\x04\x00\x05\x00\x00\x00", 8) + gif::comment("x") + "\x3B",
         true, 0},
        {"two control extensions before one image",
         gif::build("GIF89a", 2, 2,
                    {{0, 0, 2, 2, 1, 5, 0, false, true, QByteArray("\x21\xF9\x04\x00\x05\x00\x00\x00", 8)}}),
         true, 1},
        {"a control extension of five bytes parted from its image",
         gif::prefix("GIF89a", 2, 2) + QByteArray("\x21\xF9\x05\x00\x05\x00\x00\x00\x00", 9) + gif::comment("x") +
             gif::frame({0, 0, 2, 2, 1, 0, 0, false, false}) + "\x3B",
         true, 0},
    };
    for (const Row& row : rows) {
        TIPicture picture;
        loadError(picture, row.bytes);
        EXPECT_EQ(picture.IsGIFFile(), row.gif) << row.id;
        EXPECT_EQ(picture.GetFrameCount(), row.frames) << row.id;
        EXPECT_EQ(picture.GetFrameCount(), row.frames) << row.id << ", asked again";
    }

    TIPicture picture;
    load(picture, ThreeFrames);
    EXPECT_EQ(picture.GetFrameCount(), 3);
    load(picture, gif::build("GIF89a", 2, 2, {{0, 0, 2, 2, 1, 1}, {0, 0, 2, 2, 2, 1}}));
    EXPECT_EQ(picture.GetFrameCount(), 2) << "new bytes are counted anew";
}

TEST(AdvPicture, EveryFrameShowsItsOwnImageWhateverBlocksPartItFromItsControlExtension)
{
    struct Row {
        const char* id;
        QByteArray bytes;
        std::vector<QColor> colours; // of each frame, in order
        std::vector<int> delays;
    };
    const QByteArray note = gif::comment("made by hand");
    const std::vector<Row> rows = {
        {"ImageMagick's loop block",
         imageMagickFourColours(),
         {Qt::red, Qt::green, Qt::blue, Qt::yellow},
         {20, 20, 20, 20}},
        {"a comment before a later frame's image",
         gif::build("GIF89a", 4, 4, {{0, 0, 4, 4, 1, 5}, {0, 0, 4, 4, 2, 6, 0, false, true, note}, {0, 0, 4, 4, 3, 7}}),
         {Qt::red, Qt::green, Qt::blue},
         {5, 6, 7}},
        {"a comment and the loop block before the first image, a long comment before the last",
         gif::build("GIF89a", 4, 4,
                    {{0, 0, 4, 4, 3, 5, 0, false, true, note + LoopBlock},
                     {0, 0, 4, 4, 2, 6},
                     {0, 0, 4, 4, 1, 7, 0, false, true, gif::comment(QByteArray(600, '!'))}}),
         {Qt::blue, Qt::green, Qt::red},
         {5, 6, 7}},
    };
    for (const Row& row : rows) {
        TIPicture picture;
        load(picture, row.bytes);
        EXPECT_EQ(picture.GetFrameCount(), static_cast<int>(row.colours.size())) << row.id;
        if (picture.GetFrameCount() != static_cast<int>(row.colours.size()))
            continue;
        for (int frame = 1; frame <= picture.GetFrameCount(); ++frame) {
            EXPECT_EQ(picture.GetFrameTime(frame), row.delays[size_t(frame) - 1]) << row.id << ", frame " << frame;
            picture.SetFrame(frame);
            EXPECT_EQ(QRect(picture.FrameLeft, picture.FrameTop, picture.FrameWidth, picture.FrameHeight),
                      QRect(0, 0, picture.ScreenWidth, picture.ScreenHeight))
                << row.id << ", frame " << frame;
            QImage image(picture.ScreenWidth, picture.ScreenHeight, QImage::Format_ARGB32);
            image.fill(Untouched);
            {
                QPainter painter(&image);
                picture.Draw(painter, TRect{0, 0, picture.GetWidth(), picture.GetHeight()});
            }
            EXPECT_EQ(at(image, image.width() / 2, image.height() / 2), row.colours[size_t(frame) - 1])
                << row.id << ", frame " << frame;
        }
    }

    // Played in the control, ImageMagick's animation moves through its four colours and round again.
    ShownControl shown;
    shown.control->resize(16, 16);
    load(*shown.control->Picture(), imageMagickFourColours());
    ASSERT_TRUE(shown.control->IsAnimated());
    std::vector<QColor> seen;
    shown.control->OnFrameChange = [&] { seen.push_back(at(rendered(*shown.control), 8, 8)); };
    shown.control->SetAnimate(true);
    EXPECT_TRUE(testing_support::waitUntil([&] { return seen.size() >= 5; }, 3000));
    shown.control->SetAnimate(false);
    seen.resize(std::min<size_t>(seen.size(), 5));
    EXPECT_EQ(seen, (std::vector<QColor>{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::red}));
}

TEST(AdvPicture, FrameTimeAndDisposal)
{
    TIPicture picture;
    load(picture, ThreeFrames);
    struct Row {
        int frame;
        int delay;
        int disposal;
        bool transparent;
    };
    const std::vector<Row> rows = {{1, 5, 0, false}, {2, 7, 2, true}, {3, 9, 1, false}, {4, -1, 1, false}};
    for (const Row& row : rows) {
        EXPECT_EQ(picture.GetFrameTime(row.frame), row.delay) << "frame " << row.frame;
        EXPECT_EQ(picture.FrameDisposal, row.disposal) << "frame " << row.frame << " (no marker keeps the last)";
        EXPECT_EQ(picture.FrameTransparent, row.transparent) << "frame " << row.frame;
    }
}

TEST(AdvPicture, FrameCutHandsTheLoaderOneFrame)
{
    ServiceInPlace watched;
    TIPicture picture;
    load(picture, ThreeFrames);
    EXPECT_EQ(watched.service.block, ThreeFrames) << "a load shows frame 1: the whole file";
    const qsizetype second = BeforeFirstFrame + gif::frame({0, 0, 8, 6, 1, 5, 0}).size();

    picture.SetFrame(2);
    const QByteArray cut = ThreeFrames.left(BeforeFirstFrame) + ThreeFrames.mid(second);
    EXPECT_EQ(watched.service.block, cut + QByteArray(ThreeFrames.size() - cut.size(), '\0'));
    EXPECT_EQ(watched.service.size, ThreeFrames.size()) << "the loader is told the whole file's length";
    EXPECT_EQ(QRect(picture.FrameLeft, picture.FrameTop, picture.FrameWidth, picture.FrameHeight), QRect(2, 2, 4, 3));
    EXPECT_EQ(QSize(picture.ScreenWidth, picture.ScreenHeight), QSize(8, 6));
    EXPECT_EQ(QSize(picture.GetWidth(), picture.GetHeight()), QSize(4, 3)) << "the frame's own size";
    EXPECT_EQ(QSize(picture.GetMaxWidth(), picture.GetMaxHeight()), QSize(8, 6));

    try {
        picture.SetFrame(4);
        ADD_FAILURE() << "a GIF without an image must not load";
    } catch (const win::LibraryError& error) {
        EXPECT_STREQ(error.what(), "Could not load image. Invalid format");
    }
    EXPECT_EQ(watched.service.block,
              ThreeFrames.left(BeforeFirstFrame) + QByteArray(ThreeFrames.size() - BeforeFirstFrame, '\0'));
    EXPECT_EQ(picture.GetWidth(), 0) << "a refused load leaves no picture";
}

TEST(AdvPicture, EachFrameIsDecodedOnce)
{
    ServiceInPlace watched;
    TIPicture picture;
    load(picture, ThreeFrames);
    struct Row {
        int frame;
        QRect placed; // the frame's rectangle in the screen
        int width;    // of the picture the loader made
    };
    // Frame 0 shows the whole file as frame 1 does, without a frame's place.
    const std::vector<Row> rows = {{2, {2, 2, 4, 3}, 4}, {3, {0, 0, 8, 6}, 8}, {1, {0, 0, 8, 6}, 8},
                                   {2, {2, 2, 4, 3}, 4}, {0, {0, 0, 4, 3}, 8}, {3, {0, 0, 8, 6}, 8}};
    for (const Row& row : rows) {
        picture.SetFrame(row.frame);
        EXPECT_EQ(QRect(picture.FrameLeft, picture.FrameTop, picture.FrameWidth, picture.FrameHeight), row.placed)
            << "frame " << row.frame;
        EXPECT_EQ(picture.GetWidth(), row.width) << "frame " << row.frame;
        EXPECT_EQ(QSize(picture.ScreenWidth, picture.ScreenHeight), QSize(8, 6)) << "frame " << row.frame;
    }
    EXPECT_EQ(watched.service.loads, 3) << "the whole file and frames 2 and 3, once each";

    load(picture, ThreeFrames);
    picture.SetFrame(2);
    EXPECT_EQ(watched.service.loads, 5) << "new bytes are decoded anew";
}

TEST(AdvPicture, GifsOfMorePixelsThanAnImageHoldsAreRefused)
{
    const char* refused = "Could not load image. Invalid format";
    struct Row {
        const char* id;
        QByteArray bytes;
        int frame;
        const char* error;
    };
    const std::vector<Row> rows = {
        {"a long narrow screen", gif::build("GIF89a", 65535, 1, {{0, 0, 1, 1, 1, 5}, {0, 0, 1, 1, 2, 5}}), 1, ""},
        {"screen of more pixels than an image holds",
         gif::build("GIF89a", 8193, 4097, {{0, 0, 1, 1, 1, 5}, {0, 0, 1, 1, 2, 5}}), 1, refused},
        {"first image of too many pixels", gif::build("GIF87a", 1, 1, {{0, 0, 8193, 4097, 1, 0, 0, false, false}}), 1,
         refused},
        {"a later frame of too many pixels", gif::build("GIF89a", 4, 4, {{0, 0, 1, 1, 1, 5}, {0, 0, 8193, 4097, 2, 5}}),
         2, refused},
    };
    for (const Row& row : rows) {
        TIPicture picture;
        std::string error = loadError(picture, row.bytes);
        if (error.empty() && row.frame != 1) {
            try {
                picture.SetFrame(row.frame);
            } catch (const win::LibraryError& raised) {
                error = raised.what();
            }
        }
        EXPECT_EQ(error, row.error) << row.id;
    }
}

TEST(AdvPicture, LoaderErrors)
{
    struct Row {
        WatchingService::Refusal refusal;
        const char* message;
        bool previousStays;
    };
    const std::vector<Row> rows = {
        {WatchingService::Allocation, "Could not allocate memory for image", true},
        {WatchingService::StreamFailed, "Could not create image stream", true},
        {WatchingService::NoStream, "Empty image stream created", true},
        {WatchingService::LoaderRefused, "Could not load image. Invalid format", false},
        {WatchingService::NoPicture, "Could not load image", false},
    };
    ServiceInPlace watched;
    for (const Row& row : rows) {
        TIPicture picture;
        load(picture, ThreeFrames);
        ASSERT_EQ(picture.GetWidth(), 8);
        watched.service.refuse = row.refusal;
        try {
            picture.SetFrame(2);
            ADD_FAILURE() << row.message << ": nothing raised";
        } catch (const win::LibraryError& error) {
            EXPECT_STREQ(error.what(), row.message);
        }
        EXPECT_EQ(picture.GetWidth() == 8, row.previousStays) << row.message;
        watched.service.refuse = WatchingService::None;
    }

    TIPicture picture;
    EXPECT_EQ(loadError(picture, "not a picture at all"), "Could not load image. Invalid format");
}

TEST(AdvPicture, TruncatedGifsStayInsideTheirBytes)
{
    // Every cut of the file, loaded and asked for every frame: errors are the loader's, never a read past.
    for (qsizetype length = 0; length <= ThreeFrames.size(); ++length) {
        TIPicture picture;
        loadError(picture, ThreeFrames.left(length));
        EXPECT_LE(picture.GetFrameCount(), 3);
        for (int frame = 0; frame <= 4; ++frame) {
            picture.GetFrameTime(frame);
            try {
                picture.SetFrame(frame);
            } catch (const win::LibraryError&) {
            }
        }
    }

    // A marker at the very end: the image descriptor's fields past the end read as 0.
    TIPicture picture;
    const QByteArray marker("\x21\xF9\x04\x00\x05\x00\x00\x00\x2C\x07", 10);
    loadError(picture, gif::prefix("GIF89a", 8, 6) + marker);
    EXPECT_EQ(picture.GetFrameCount(), 1);
    EXPECT_EQ(picture.GetFrameTime(1), 5);
    EXPECT_EQ(picture.FrameLeft, 7);
    EXPECT_EQ(picture.FrameTop, 0);
}

TEST(AdvPicture, LoadFromFileAndURL)
{
    testing_support::TempInstall install;
    install.write("C:\\pics\\three.gif", ThreeFrames.toStdString());
    install.write("C:\\pics\\junk.gif", "GIF89a and nothing a loader takes");
    struct Row {
        const char* url;
        bool loads;
        const char* sourceUrl;
    };
    const std::vector<Row> rows = {
        {"file://C:\\pics\\three.gif", true, "file://C:\\pics\\three.gif"},
        {"FiLe://C:\\pics\\three.gif", true, "FiLe://C:\\pics\\three.gif"},
        {"file://C:\\pics\\missing.gif", false, "file://C:\\pics\\missing.gif"},
        {"file://C:\\pics\\junk.gif", false, "file://C:\\pics\\junk.gif"},
        {"res://", false, "res://"},
        {"res://nothing-by-that-name", false, "res://nothing-by-that-name"},
        {"http://host/three.gif", false, ""},
    };
    for (const Row& row : rows) {
        TIPicture picture;
        std::vector<std::string> events;
        picture.OnClear = [&] { events.push_back("clear"); };
        picture.OnChange = [&] { events.push_back("change"); };
        picture.LoadFromURL(row.url);
        EXPECT_EQ(!picture.GetEmpty(), row.loads) << row.url;
        EXPECT_EQ(picture.SourceUrl, row.sourceUrl) << row.url;
        const std::vector<std::string> expectedEvents =
            row.loads ? std::vector<std::string>{"clear", "change"} : std::vector<std::string>{};
        EXPECT_EQ(events, expectedEvents) << row.url;
        EXPECT_EQ(savedBytes(picture), row.loads ? ThreeFrames : QByteArray()) << row.url << ": the bytes as loaded";
    }
}

TEST(AdvPicture, Assign)
{
    TIPicture source;
    load(source, twoBandBitmap());

    TIPicture picture;
    std::vector<std::string> events;
    picture.OnClear = [&] { events.push_back("clear"); };
    picture.OnChange = [&] { events.push_back("change"); };
    picture.Assign(&source);
    EXPECT_FALSE(picture.GetEmpty());
    EXPECT_EQ(picture.GetWidth(), 40);
    EXPECT_EQ(savedBytes(picture), savedBytes(source));

    TAniIconFile otherKind;
    picture.Assign(&otherKind);
    EXPECT_TRUE(picture.GetEmpty()) << "a graphic of another class leaves the picture empty, without an error";
    EXPECT_EQ(picture.GetWidth(), 0);

    picture.Assign(nullptr);
    EXPECT_TRUE(savedBytes(picture).isEmpty());
    EXPECT_EQ(events, (std::vector<std::string>{"change", "change", "clear"}));
}

TEST(AdvPicture, AnimatesAGifFrameOverFrame)
{
    QWidget form;
    form.resize(40, 40);
    auto* control = new TAdvPicture(&form);
    control->resize(8, 6);
    form.show();
    EXPECT_EQ(control->GetVersion(), "1.3.0.0");
    control->SetVersion("9.9");
    EXPECT_EQ(control->GetVersion(), "1.3.0.0");

    // The green frame has no delay of its own; it must not stop the animation.
    load(*control->Picture(),
         gif::build("GIF89a", 8, 6, {{0, 0, 8, 6, 1, 2, 1}, {2, 2, 4, 3, 2, 0, 1}, {0, 0, 8, 6, 3, 2, 1}}));
    ASSERT_TRUE(control->IsAnimated());
    struct Seen {
        int frame;
        QColor corner, inside;
    };
    std::vector<Seen> seen;
    control->OnFrameChange = [&] {
        const QImage image = rendered(*control);
        seen.push_back({control->Picture()->Frame(), at(image, 0, 0), at(image, 3, 3)});
    };
    control->SetAnimate(true);
    ASSERT_NE(control->TimerWindow(), nullptr);
    EXPECT_EQ(control->TimerWindow()->parentWidget(), &form);
    EXPECT_TRUE(testing_support::waitUntil([&] { return seen.size() >= 5; }, 3000));
    control->SetAnimate(false);
    EXPECT_EQ(control->TimerWindow(), nullptr);

    ASSERT_GE(seen.size(), 5u);
    const std::vector<int> order = {seen[0].frame, seen[1].frame, seen[2].frame, seen[3].frame, seen[4].frame};
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 1, 2}));
    EXPECT_EQ(seen[0].corner, QColor(Qt::red));
    EXPECT_EQ(seen[1].corner, QColor(Qt::red)) << "the small frame is drawn over the one before";
    EXPECT_EQ(seen[1].inside, QColor(Qt::green));
    EXPECT_EQ(seen[2].corner, QColor(Qt::blue));
}

TEST(AdvPicture, AFrameThatFailsStopsTheAnimationWithOneError)
{
    ServiceInPlace watched;
    ui::BoxRecorder boxes;
    QWidget form;
    auto* control = new TAdvPicture(&form);
    form.show();
    load(*control->Picture(), ThreeFrames);
    watched.service.refuse = WatchingService::LoaderRefused;
    control->SetAnimate(true);
    // Ten ticks: the first one fails, the nine after it must stay quiet.
    int ticks = 0;
    const TNotifyEvent step = control->TimerWindow()->OnTimer;
    control->TimerWindow()->OnTimer = [&] {
        ++ticks;
        step();
    };
    EXPECT_TRUE(testing_support::waitUntil([&] { return ticks >= 10; }, 3000));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Could not load image. Invalid format."});
    EXPECT_FALSE(control->IsAnimated());
}

TEST(AdvPicture, NoTimerWhileDesigning)
{
    QWidget form;
    auto* control = new TAdvPicture(&form);
    control->SetDesigning(true);
    control->SetAnimate(true);
    EXPECT_TRUE(control->Animate());
    EXPECT_EQ(control->TimerWindow(), nullptr);
}

TEST(AdvPicture, FrameDisposalAtTheControl)
{
    struct Row {
        int disposal; // of the frame being left
        bool paintsAtOnce;
        bool invalidatesTheFrame;
    };
    const std::vector<Row> rows = {{0, true, false},  {1, true, false},  {2, false, true},  {3, true, false},
                                   {4, false, false}, {5, false, false}, {6, false, false}, {7, false, false}};
    for (const Row& row : rows) {
        ShownControl shown;
        TAdvPicture& control = *shown.control;
        load(*control.Picture(),
             gif::build("GIF89a", 8, 6, {{0, 0, 8, 6, 1, 5, std::uint8_t(row.disposal)}, {2, 2, 4, 3, 2, 5, 0}}));
        QCoreApplication::processEvents();
        int changes = 0;
        control.OnFrameChange = [&] { ++changes; };
        PaintWatch watch(&control);
        control.Picture()->GetFrameTime(1);
        control.Picture()->SetFrame(2);
        const std::vector<QRegion> atOnce = watch.regions;
        EXPECT_EQ(changes, 1) << "disposal " << row.disposal << ": the change is told in every case";
        EXPECT_EQ(atOnce, row.paintsAtOnce ? std::vector<QRegion>{QRegion(control.rect())} : std::vector<QRegion>{})
            << "disposal " << row.disposal;
        if (row.invalidatesTheFrame) {
            EXPECT_TRUE(testing_support::waitUntil([&] { return watch.regions.size() > atOnce.size(); }, 3000));
            EXPECT_EQ(watch.regions.back(), QRegion(2, 2, 4, 3)) << "disposal " << row.disposal;
        } else {
            QCoreApplication::processEvents();
            EXPECT_EQ(watch.regions.size(), atOnce.size()) << "disposal " << row.disposal << ": nothing more to paint";
        }
        const bool newFrameShows = row.paintsAtOnce || row.invalidatesTheFrame;
        EXPECT_EQ(at(rendered(control), 3, 3), newFrameShows ? QColor(Qt::green) : QColor(Qt::red))
            << "disposal " << row.disposal;
        EXPECT_EQ(at(rendered(control), 0, 0), QColor(Qt::red)) << "disposal " << row.disposal;
    }
}

TEST(AdvPicture, SettingAPlaceOrModeRepaintsOnlyWhenItChanges)
{
    struct Row {
        const char* id;
        std::function<void(TAdvPicture&)> set;
        bool repaints;
    };
    const std::vector<Row> rows = {
        {"same position", [](TAdvPicture& c) { c.SetPicturePosition(bpTopLeft); }, false},
        {"other position", [](TAdvPicture& c) { c.SetPicturePosition(bpCenter); }, true},
        {"same stretch mode", [](TAdvPicture& c) { c.SetStretchMode(smNever); }, false},
        {"other stretch mode", [](TAdvPicture& c) { c.SetStretchMode(smShrink); }, true},
    };
    for (const Row& row : rows) {
        ShownControl shown;
        load(*shown.control->Picture(), twoBandBitmap());
        QCoreApplication::processEvents();
        PaintWatch watch(shown.control);
        row.set(*shown.control);
        if (row.repaints) {
            EXPECT_TRUE(testing_support::waitUntil([&] { return !watch.regions.empty(); }, 3000)) << row.id;
        } else {
            QCoreApplication::processEvents();
            EXPECT_TRUE(watch.regions.empty()) << row.id;
        }
    }
}

TEST(AdvPicture, AControlWithoutAreaDrawsNothing)
{
    ServiceInPlace watched;
    TAdvPicture control;
    load(*control.Picture(), twoBandBitmap());
    watched.service.renders = 0; // the load's own paint, at the control's first size
    for (QSize size : {QSize(0, 50), QSize(50, 0), QSize(0, 0)}) {
        control.resize(size);
        control.Paint();
        EXPECT_EQ(watched.service.renders, 0) << size.width() << " by " << size.height();
    }
    control.resize(50, 50);
    control.Paint();
    EXPECT_EQ(watched.service.renders, 1);
}

TEST(AdvPicture, TheTimerWindowNeverShowsNorTakesClicks)
{
    QWidget form;
    form.resize(120, 60);
    auto* button = new QPushButton("Sign", &form);
    button->setGeometry(0, 0, 120, 40);
    auto* control = new TAdvPicture(&form);
    control->setGeometry(0, 44, 8, 6);
    load(*control->Picture(), ThreeFrames);
    int changes = 0;
    control->OnFrameChange = [&] { ++changes; };
    control->SetAnimate(true); // before the form is on screen
    form.show();
    const THelperWnd* helper = control->TimerWindow();
    ASSERT_NE(helper, nullptr);
    EXPECT_FALSE(helper->isVisible());
    EXPECT_TRUE(helper->size().isEmpty());
    EXPECT_EQ(form.childAt(5, 5), button) << "a click over the button reaches the button";
    EXPECT_TRUE(testing_support::waitUntil([&] { return changes >= 2; }, 3000)) << "the hidden window still ticks";
}

TEST(AdvPicture, ABigGifAnimatesInOrderWithoutStallingTheWindow)
{
    QWidget form;
    form.resize(120, 120);
    auto* control = new TAdvPicture(&form);
    control->resize(100, 100);
    form.show();
    load(*control->Picture(), bigAnimation());
    ASSERT_TRUE(control->IsAnimated());
    struct Seen {
        int frame;
        QColor corner;
        qint64 at; // ms
    };
    std::vector<Seen> seen;
    QElapsedTimer clock;
    clock.start();
    control->OnFrameChange = [&] {
        seen.push_back({control->Picture()->Frame(), at(rendered(*control), 0, 0), clock.elapsed()});
    };
    LoopWatch loop;
    control->SetAnimate(true);
    // A whole round and the start of the next one.
    const size_t changes = BigFrames + 4;
    EXPECT_TRUE(testing_support::waitUntil([&] { return seen.size() >= changes; }, 60000));
    control->SetAnimate(false);
    const double seconds = clock.elapsed() / 1e3;
    std::printf("big GIF: %zu frame changes in %.2f s, longest event-loop gap %.1f ms, longest GUI-thread work "
                "between ticks %.1f ms\n",
                seen.size(), seconds, loop.longestGapMs, loop.longestBusyMs);

    ASSERT_GE(seen.size(), changes);
    for (size_t i = 0; i < changes; ++i) {
        const int expected = int(i) % BigFrames + 1; // from frame 0, the whole file, the first tick moves on
        EXPECT_EQ(seen[i].frame, expected) << "change " << i;
        EXPECT_EQ(seen[i].corner, bigFrameCorner(expected)) << "change " << i << ": frame " << expected << " shows";
        // A tick late on a loaded machine makes the next frame's time look shorter by as much.
        if (i > 0) {
            EXPECT_GE(seen[i].at - seen[i - 1].at, BigDelay * 10 - 25)
                << "change " << i << ": the frame before kept its delay";
        }
    }
    // Decoding a frame takes about 100 ms of a thread; the window's own work between two ticks must stay
    // far below that, however loaded the machine is.
    EXPECT_LT(loop.longestBusyMs, 50.0);
}

TEST(AdvPicture, ASecondFrameDecodesAheadOnlyWhereOneAtATimeFallsBehind)
{
    struct Row {
        const char* id;
        int decodeMs;
        std::uint16_t delay;
        int mostAtOnce;
    };
    const std::vector<Row> rows = {{"decoding keeps pace", 0, 10, 1}, {"decoding slower than the delays", 60, 2, 2}};
    for (const Row& row : rows) {
        ServiceInPlace watched;
        ShownControl shown;
        TAdvPicture& control = *shown.control;
        std::vector<gif::Frame> frames;
        for (int i = 0; i < 6; ++i)
            frames.push_back({0, 0, 8, 6, std::uint8_t(i % 3 + 1), row.delay, 1});
        watched.service.decodeMs = row.decodeMs;
        load(*control.Picture(), gif::build("GIF89a", 8, 6, frames));
        std::vector<int> order;
        control.OnFrameChange = [&] { order.push_back(control.Picture()->Frame()); };
        control.SetAnimate(true);
        EXPECT_TRUE(testing_support::waitUntil([&] { return order.size() >= 8; }, 10000)) << row.id;
        control.SetAnimate(false);
        EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + std::min<size_t>(order.size(), 8)),
                  (std::vector<int>{1, 2, 3, 4, 5, 6, 1, 2}))
            << row.id;
        EXPECT_EQ(watched.service.mostAtOnce.load(), row.mostAtOnce) << row.id;
    }
}

TEST(AdvPicture, APictureReplacedOrDestroyedMidDecodeShowsNoStaleFrame)
{
    // Green then blue, 10 by 10: nothing of the 8 by 6 picture decoding at the time.
    const QByteArray other = gif::build("GIF89a", 10, 10, {{0, 0, 10, 10, 2, 3, 1}, {0, 0, 10, 10, 3, 3, 1}});
    struct Seen {
        int width;
        int frame;
        QColor corner;
        bool operator==(const Seen&) const = default;
    };
    const QColor green(Qt::green), blue(Qt::blue), red(Qt::red);
    struct Row {
        const char* id;
        std::function<void(TAdvPicture*&)> act;
        std::vector<Seen> changes; // the load's own frame change first; an animation goes on beyond them
        bool animatesOn;
    };
    const std::vector<Row> rows = {
        {"another GIF loaded",
         [&](TAdvPicture*& c) { load(*c->Picture(), other); },
         {{10, 0, green}, {10, 1, green}, {10, 2, blue}, {10, 1, green}, {10, 2, blue}},
         true},
        {"a bitmap loaded", [](TAdvPicture*& c) { load(*c->Picture(), twoBandBitmap()); }, {{40, 0, red}}, false},
        {"the picture cleared", [](TAdvPicture*& c) { c->SetIPicture(nullptr); }, {}, false},
        {"the control destroyed",
         [](TAdvPicture*& c) {
             delete c;
             c = nullptr;
         },
         {},
         false},
    };
    for (const Row& row : rows) {
        ServiceInPlace watched;
        ShownControl shown;
        TAdvPicture* control = shown.control;
        load(*control->Picture(), ThreeFrames);
        std::vector<Seen> seen;
        control->OnFrameChange = [&] {
            seen.push_back(
                {control->Picture()->GetMaxWidth(), control->Picture()->Frame(), at(rendered(*control), 0, 0)});
        };
        watched.service.decodeMs = 300;
        control->SetAnimate(true);
        ASSERT_TRUE(testing_support::waitUntil([&] { return watched.service.decoding > 0; }, 3000)) << row.id;
        watched.service.decodeMs = 0;
        seen.clear();
        row.act(control);
        // The old picture's frame finishes decoding, and the animation has the time to show it if it would.
        EXPECT_TRUE(testing_support::waitUntil([&] { return watched.service.decoding == 0; }, 3000)) << row.id;
        testing_support::waitUntil([&] { return row.animatesOn && seen.size() >= row.changes.size(); },
                                   row.animatesOn ? 3000 : 200);
        if (row.animatesOn && seen.size() > row.changes.size())
            seen.resize(row.changes.size());
        ASSERT_EQ(seen.size(), row.changes.size()) << row.id;
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_EQ(seen[i], row.changes[i])
                << row.id << ", change " << i << ": width " << seen[i].width << ", frame " << seen[i].frame
                << ", corner " << seen[i].corner.name().toStdString();
    }
}
