#include "components/aniicon.h"
#include "AniFixture.h"
#include "Render.h"
#include "TestSupport.h"
#include "components/AdvPicture.h"
#include "win/LibraryError.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

const QColor Red(255, 0, 0), Green(0, 255, 0), Blue(0, 0, 255);

std::vector<QByteArray> colouredIcons(int count) {
    const QColor colours[] = {Red, Green, Blue};
    std::vector<QByteArray> icons;
    for (int i = 0; i < count; ++i)
        icons.push_back(ani::iconFile(colours[i % 3]));
    return icons;
}

QByteArray threeFrames(std::uint32_t defaultRate = 10) {
    ani::File file;
    file.defaultRate = defaultRate;
    file.icons = colouredIcons(3);
    return ani::build(file);
}

void decode(TAniIconFile& file, QByteArray bytes) {
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    file.LoadFromStream(&stream);
}

int loadedFrames(const TAniIconFile& file) {
    int count = 0;
    for (const QImage& icon : file.FrameIcons)
        count += !icon.isNull();
    return count;
}

void putDword(QByteArray& bytes, qsizetype at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

TEST(AniIconFile, Decode) {
    struct Row {
        const char* id;
        ani::File file;
        int frames;
        std::vector<std::int32_t> rates; // the first entries of the rate table
    };
    std::vector<std::int32_t> longRates;
    for (int i = 0; i < 200; ++i)
        longRates.push_back(i);
    const std::vector<Row> rows = {
        {"plain", {false, {}, 10, {}, {}, colouredIcons(3)}, 3, {10, 10, 10, 10}},
        {"with title and author", {true, {}, 10, {}, {}, colouredIcons(3)}, 3, {10, 10, 10}},
        {"rate chunk", {false, {}, 10, {1, 2, 3}, {2, 1, 0}, colouredIcons(3)}, 3, {1, 2, 3, 10}},
        {"rate chunk longer than the table", {false, {}, 10, longRates, {}, colouredIcons(3)}, 3, {0, 1, 2}},
        {"more than 64 frames", {false, {}, 4, {}, {}, colouredIcons(70)}, 64, {4}},
        {"a small icon stops the frames",
         {false, 3u, 10, {}, {}, {ani::iconFile(Red), ani::iconFile(Green, 1), ani::iconFile(Blue)}},
         1,
         {10}},
        {"a frame count of 0 still replaces the icons", {false, 0u, 10, {}, {}, colouredIcons(3)}, 0, {10}},
    };
    for (const Row& row : rows) {
        TAniIconFile file;
        decode(file, threeFrames());
        file.SetFrame(2);
        decode(file, ani::build(row.file));
        EXPECT_EQ(loadedFrames(file), row.frames) << row.id;
        EXPECT_EQ(file.CurrentFrame, 0) << row.id;
        for (size_t i = 0; i < row.rates.size(); ++i)
            EXPECT_EQ(file.FrameRates[i], row.rates[i]) << row.id << ", rate " << i;
        if (row.frames >= 2) {
            EXPECT_EQ(file.FrameIcons[0].pixelColor(5, 5), Red) << row.id;
            EXPECT_EQ(file.FrameIcons[1].pixelColor(5, 5), Green) << row.id;
            EXPECT_EQ(file.FrameIcons[0].size(), QSize(32, 32)) << row.id;
        }
    }

    TAniIconFile tooLong;
    decode(tooLong, ani::build({false, {}, 10, longRates, {}, colouredIcons(3)}));
    EXPECT_EQ(tooLong.FrameRates[127], 127) << "the table holds its 128 entries; the rest is passed over";
}

TEST(AniIconFile, TruncatedOrHostileFilesRaiseTheReadError) {
    ani::File info;
    info.infoList = true;
    info.rates = {1, 2, 3};
    info.sequence = {0, 1, 2};
    info.icons = colouredIcons(3);
    const QByteArray whole = ani::build(info);
    for (qsizetype length = 1; length < whole.size(); ++length) {
        TAniIconFile file;
        EXPECT_THROW(decode(file, whole.left(length)), win::LibraryError) << "cut at " << length;
    }
    TAniIconFile empty;
    EXPECT_NO_THROW(decode(empty, QByteArray()));

    // In the plain file: the header's frame count at 24, the first icon chunk's size at 72 and the
    // image offset of its directory entry at 94. In the one with the list: the title's size at 28.
    const QByteArray plain = threeFrames();
    struct Row {
        const char* id;
        QByteArray bytes;
        qsizetype at;
        std::uint32_t value;
    };
    const std::vector<Row> rows = {
        {"title of 4 GB", whole, 28, 0xFFFFFFFF},
        {"frame count beyond the icons", plain, 24, 0xFFFFFFFF},
        {"icon chunk of 4 GB", plain, 72, 0xFFFFFFFF},
        {"image offset far past the chunk", plain, 94, 0xFFFFFFF0},
    };
    for (const Row& row : rows) {
        QByteArray bytes = row.bytes;
        putDword(bytes, row.at, row.value);
        TAniIconFile file;
        try {
            decode(file, bytes);
            ADD_FAILURE() << row.id << ": nothing raised";
        } catch (const win::LibraryError& error) {
            EXPECT_STREQ(error.what(), "Stream read error") << row.id;
        }
    }
}

TEST(AniIconFile, StepTiming) {
    struct Row {
        const char* id;
        ani::File file;
        std::vector<int> frameAfterEachStep;
    };
    const std::vector<Row> rows = {
        {"rate 0 changes on every tick and wraps after the last frame",
         {false, {}, 0, {}, {}, colouredIcons(3)},
         {1, 2, 0, 1}},
        {"rate 10 stays six ticks", {false, {}, 10, {}, {}, colouredIcons(3)}, {0, 0, 0, 0, 0, 1, 1}},
        {"the rate chunk by frame index, whatever the sequence",
         {false, {}, 10, {0, 10, 0}, {2, 1, 0}, colouredIcons(3)},
         {1, 1, 1, 1, 1, 1, 2, 0}},
    };
    for (const Row& row : rows) {
        TAniIconFile file;
        decode(file, ani::build(row.file));
        int changes = 0, expectedChanges = 0, before = 0;
        file.OnAniChange = [&] { ++changes; };
        for (size_t step = 0; step < row.frameAfterEachStep.size(); ++step) {
            file.Step();
            EXPECT_EQ(file.CurrentFrame, row.frameAfterEachStep[step]) << row.id << ", step " << step + 1;
            expectedChanges += row.frameAfterEachStep[step] != before;
            before = row.frameAfterEachStep[step];
        }
        EXPECT_EQ(changes, expectedChanges) << row.id;
    }
}

TEST(AniIconFile, SetFrameCorrection) {
    TAniIconFile file;
    decode(file, threeFrames());
    for (auto [index, expected] : std::vector<std::pair<int, int>>{{2, 2}, {70, 0}, {-1, 0}, {5, 0}}) {
        file.StepTicks = 4;
        file.SetFrame(index);
        EXPECT_EQ(file.CurrentFrame, expected) << "index " << index;
        EXPECT_EQ(file.StepTicks, 0) << "index " << index;
    }
}

TEST(AniIconFile, LoadFromFileAssignAndCursor) {
    testing_support::TempInstall install;
    const QByteArray bytes = threeFrames();
    for (const char* name : {"C:\\cur\\pen.AnI", "C:\\cur\\pen.cur", "C:\\cur.ani\\pen"})
        install.write(name, bytes.toStdString());
    struct Row {
        const char* name;
        bool loads;
    };
    for (const Row& row : std::vector<Row>{{"C:\\cur\\pen.AnI", true},
                                           {"C:\\cur\\pen.cur", false},
                                           {"C:\\cur.ani\\pen", false},
                                           {"C:\\cur\\gone.ani", false}}) {
        TAniIconFile file;
        int changes = 0;
        file.OnAniChange = [&] { ++changes; };
        file.LoadFromFile(row.name);
        EXPECT_EQ(file.GetStreamSize(), row.loads ? bytes.size() : 0) << row.name;
        EXPECT_EQ(loadedFrames(file), row.loads ? 3 : 0) << row.name;
        EXPECT_EQ(changes, row.loads ? 1 : 0) << row.name;
    }

    TAniIconFile source, file;
    decode(source, bytes);
    file.Assign(&source);
    EXPECT_EQ(loadedFrames(file), 3);
    EXPECT_EQ(file.CursorData, bytes);
    TIPicture picture;
    try {
        file.Assign(&picture);
        ADD_FAILURE() << "a picture is no animated cursor";
    } catch (const win::LibraryError& error) {
        EXPECT_STREQ(error.what(), "Cannot assign a TIPicture to a TAniIconFile");
    }
    file.Assign(nullptr);
    EXPECT_EQ(loadedFrames(file), 0);
    EXPECT_EQ(file.GetStreamSize(), 0);
    EXPECT_FALSE(file.GetCursorHandle().has_value()) << "no file, no cursor";

    ani::File cursors;
    cursors.icons = {ani::iconFile(Red, 4, true, 3, 5), ani::iconFile(Green, 4, true, 3, 5)};
    decode(file, ani::build(cursors));
    const std::optional<QCursor> cursor = file.GetCursorHandle();
    ASSERT_TRUE(cursor.has_value());
    EXPECT_EQ(cursor->hotSpot(), QPoint(3, 5));
    EXPECT_EQ(cursor->pixmap().toImage().pixelColor(5, 5), Red);
}

namespace {

struct IconOnForm {
    QWidget form;
    TAniIcon* icon = new TAniIcon(&form);
    TAniIconFile file;
    explicit IconOnForm(std::uint32_t defaultRate = 0) {
        form.resize(60, 60);
        decode(file, threeFrames(defaultRate));
        icon->SeTAniIconFile(&file);
        form.show();
    }
    void send(QEvent::Type type, Qt::MouseButton button = Qt::NoButton) {
        if (type == QEvent::Enter) {
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QCoreApplication::sendEvent(icon, &enter);
        } else if (type == QEvent::Leave) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(icon, &leave);
        } else {
            QMouseEvent mouse(type, QPointF(5, 5), QPointF(5, 5), button,
                              type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(icon, &mouse);
        }
    }
};

} // namespace

TEST(AniIcon, PlaysTheFramesOnItsTick) {
    IconOnForm shown;
    EXPECT_EQ(shown.icon->GetVersion(), "1.2.0.0");
    shown.icon->SetVersion("3.0");
    EXPECT_EQ(shown.icon->GetVersion(), "1.2.0.0");

    std::vector<QColor> colours;
    shown.icon->SetAnimated(true);
    EXPECT_TRUE(testing_support::waitUntil(
        [&] {
            const QColor now = at(rendered(*shown.icon), 5, 5);
            if (colours.empty() || colours.back() != now) colours.push_back(now);
            return colours.size() >= 4;
        },
        3000));
    shown.icon->SetAnimated(false);
    EXPECT_FALSE(shown.icon->TimerRunning());
    ASSERT_GE(colours.size(), 4u);
    // Start anywhere in the cycle: the colours follow red, green, blue and round again.
    const std::vector<QColor> cycle = {Red, Green, Blue};
    const auto first = std::find(cycle.begin(), cycle.end(), colours[0]) - cycle.begin();
    ASSERT_LT(first, 3) << "a frame's colour";
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(colours[i], cycle[(first + i) % 3]) << "change " << i;

    shown.icon->SetFrame(70);
    EXPECT_EQ(shown.icon->Frame(), 0);
}

TEST(AniIcon, AnimatesUnderTheMouseOnlyWhenEnabled) {
    IconOnForm shown;
    shown.icon->AnimateOnEnter = true;
    shown.send(QEvent::Enter);
    EXPECT_TRUE(shown.icon->TimerRunning());
    EXPECT_TRUE(shown.icon->MouseInside());
    shown.send(QEvent::Leave);
    EXPECT_FALSE(shown.icon->TimerRunning());
    EXPECT_FALSE(shown.icon->MouseInside());

    shown.icon->setEnabled(false);
    shown.send(QEvent::Enter);
    EXPECT_FALSE(shown.icon->TimerRunning());
}

TEST(AniIcon, ButtonLookCentreAndDesignOutline) {
    const QColor face = toQColor(clBtnFace), white(255, 255, 255), grey(128, 128, 128);
    struct Row {
        const char* id;
        std::vector<std::pair<QEvent::Type, Qt::MouseButton>> events;
        QColor topLeft, bottomRight;
    };
    const std::vector<Row> rows = {
        {"no mouse: no frame", {}, face, face},
        {"under the mouse: raised", {{QEvent::Enter, Qt::NoButton}}, white, grey},
        {"left button held: sunken",
         {{QEvent::Enter, Qt::NoButton}, {QEvent::MouseButtonPress, Qt::LeftButton}},
         grey,
         white},
        {"right button: not pressed",
         {{QEvent::Enter, Qt::NoButton}, {QEvent::MouseButtonPress, Qt::RightButton}},
         white,
         grey},
        {"button up again",
         {{QEvent::Enter, Qt::NoButton},
          {QEvent::MouseButtonPress, Qt::LeftButton},
          {QEvent::MouseButtonRelease, Qt::LeftButton}},
         white,
         grey},
    };
    for (const Row& row : rows) {
        IconOnForm shown;
        shown.icon->resize(40, 40);
        shown.icon->ButtonStyle = true;
        shown.icon->SetCenter(true);
        for (const auto& [type, button] : row.events)
            shown.send(type, button);
        const QImage image = rendered(*shown.icon);
        EXPECT_EQ(at(image, 0, 0), row.topLeft) << row.id;
        EXPECT_EQ(at(image, 39, 39), row.bottomRight) << row.id;
        EXPECT_EQ(at(image, 4, 4), Red) << row.id << ": the icon centred";
        EXPECT_EQ(at(image, 3, 3), face) << row.id;
    }

    IconOnForm designed;
    designed.icon->SetDesigning(true);
    const QImage image = rendered(*designed.icon);
    EXPECT_EQ(at(image, 0, 0), QColor(Qt::black)) << "a dotted outline while designing";
}
