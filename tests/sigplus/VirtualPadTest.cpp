#include "PadSetup.h"

#include <QApplication>
#include <QPointingDevice>
#include <QScreen>
#include <QTabletEvent>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

const QRgb glass = qRgb(196, 208, 176);
const QRgb ink = qRgb(24, 28, 40);

// Lets the pads made while it lives show their window, as on a desk; the test main hides them.
class ShownPads {
public:
    ShownPads() { unsetenv("STYLARA_PAD"); }
    ~ShownPads() { setenv("STYLARA_PAD", "hidden", 1); }
};

QImage black()
{
    QImage picture(240, 64, QImage::Format_RGB32);
    picture.fill(Qt::black);
    return picture;
}

// What the window system has been given to show, not what a fresh paint would give.
QImage onScreen(QWidget* window) { return window->screen()->grabWindow(window->winId()).toImage(); }

// The centre of an LCD pixel in the window.
QPoint windowPixel(int lcdX, int lcdY) { return QPoint(lcdX * 3 + 1, lcdY * 3 + 1); }

} // namespace

TEST(VirtualPad, ClosedWindowComesBackWithTheNextPicture)
{
    struct Row {
        const char* id;
        std::function<void(TSigPlus&)> draw;
    };
    const Row rows[] = {
        {"blank screen", [](TSigPlus& pad) { pad.LCDRefresh(0, 0, 0, 240, 64); }},
        {"bitmap", [](TSigPlus& pad) { pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, black()); }},
        {"text", [](TSigPlus& pad) { pad.LCDWriteString(0, 2, 2, 40, 0, 0, 0, "Please enter a signature"); }},
    };
    ShownPads shown;
    TSigPlus pad;
    pad.LCDRefresh(0, 0, 0, 240, 64);
    ASSERT_TRUE(pad.virtualPad()->isVisible());
    for (const Row& row : rows) {
        EXPECT_TRUE(pad.virtualPad()->close()) << row.id;
        EXPECT_FALSE(pad.virtualPad()->isVisible()) << row.id << ": closing hides the window";
        row.draw(pad);
        EXPECT_TRUE(pad.virtualPad()->isVisible()) << row.id;
    }
}

// What the window manager's minimise and close buttons do to the window.
void minimise(QWidget* window)
{
    window->showMinimized();
    QCoreApplication::processEvents();
}
bool closeByWindowManager(QWidget* window) { return window->windowHandle()->close(); }

TEST(VirtualPad, PutAwayWhileIdleComesBackWithTheNextPictureOrScreen)
{
    struct Row {
        const char* id;
        std::function<void(QWidget*)> putAway;
        std::function<void(TSigPlus&)> next;
    };
    const auto closed = [](QWidget* window) { EXPECT_TRUE(closeByWindowManager(window)); };
    const auto drawing = [](TSigPlus& pad) { pad.LCDRefresh(0, 0, 0, 240, 64); };
    const auto text = [](TSigPlus& pad) { pad.LCDWriteString(0, 2, 2, 40, 0, 0, 0, "Norvane"); };
    const auto request = [](TSigPlus& pad) { pad.KeyPadAddHotSpot(0, 1, 185, 20, 45, 10); };
    const Row rows[] = {
        {"minimised, then a drawing", minimise, drawing},
        {"minimised, then a text", minimise, text},
        {"minimised, then a screen with touch areas", minimise, request},
        {"closed, then a drawing", closed, drawing},
        {"closed, then a screen with touch areas", closed, request},
    };
    ShownPads shown;
    for (const Row& row : rows) {
        TSigPlus pad;
        pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, black()); // the idle screen: no touch areas
        QWidget* window = pad.virtualPad();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << row.id;
        row.putAway(window);
        QCoreApplication::processEvents();
        EXPECT_TRUE(!window->isVisible() || window->isMinimized()) << row.id << ": an idle pad may be put away";
        row.next(pad);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->isVisible()) << row.id;
        EXPECT_FALSE(window->isMinimized()) << row.id;
        EXPECT_FALSE(window->windowState() & Qt::WindowMinimized) << row.id;
    }
}

TEST(VirtualPad, AScreenWaitingForATouchCannotBePutAway)
{
    struct Row {
        const char* id;
        std::function<void(TSigPlus&)> screen;
        bool waits;
    };
    const Row rows[] = {
        {"buttons", [](TSigPlus& pad) { pad.KeyPadAddHotSpot(1, 1, 185, 33, 45, 16); }, true},
        {"writing box and buttons",
         [](TSigPlus& pad) {
             pad.KeyPadAddHotSpot(0, 1, 185, 20, 45, 10);
             pad.KeyPadAddHotSpot(2, 1, 10, 10, 176, 44);
         },
         true},
        {"touch areas cleared", [](TSigPlus& pad) { pad.KeyPadClearHotSpotList(); }, false},
        {"an idle picture over the touch areas",
         [](TSigPlus& pad) {
             pad.KeyPadAddHotSpot(0, 1, 185, 20, 45, 10);
             pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, black());
         },
         false},
    };
    ShownPads shown;
    for (const Row& row : rows) {
        TSigPlus pad;
        pad.LCDRefresh(0, 0, 0, 240, 64);
        pad.KeyPadAddHotSpot(1, 1, 185, 33, 45, 16);
        row.screen(pad);
        QWidget* window = pad.virtualPad();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << row.id;

        EXPECT_EQ(closeByWindowManager(window), !row.waits) << row.id;
        EXPECT_EQ(window->isVisible(), row.waits) << row.id << ": after the close";
        EXPECT_EQ(window->close(), !row.waits) << row.id << ": the program's own close";
        window->show();

        minimise(window);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->isVisible()) << row.id;
        EXPECT_EQ(window->isMinimized(), !row.waits) << row.id << ": after minimising";
    }
}

TEST(VirtualPad, TakesTheFocusWhenThePenComesOverAScreenThatWaitsForATouch)
{
    struct Row {
        const char* id;
        bool touchAreas;
        bool activated;
    };
    const Row rows[] = {
        {"signing screen", true, true},
        {"idle screen", false, false},
    };
    ShownPads shown;
    for (const Row& row : rows) {
        TSigPlus pad;
        pad.LCDRefresh(0, 0, 0, 240, 64);
        if (row.touchAreas)
            pad.KeyPadAddHotSpot(2, 1, 10, 10, 176, 44);
        QWidget* window = pad.virtualPad();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << row.id;
        // The signer clicks into the document: the signing window is the active one.
        QWidget signingWindow;
        signingWindow.show();
        signingWindow.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&signingWindow)) << row.id;

        QEnterEvent enter(QPointF(60, 60), QPointF(60, 60), window->mapToGlobal(QPointF(60, 60)));
        QApplication::sendEvent(window, &enter);
        if (row.activated) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(window)) << row.id;
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeWindow() == window, row.activated) << row.id;
    }
}

TEST(VirtualPad, EachLcdChangeIsOnScreenBeforeTheCallReturns)
{
    struct Row {
        const char* id;
        std::function<void(TSigPlus&)> draw;
    };
    const Row rows[] = {
        {"bitmap", [](TSigPlus& pad) { pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, black()); }},
        {"inverted rectangle", [](TSigPlus& pad) { pad.LCDRefresh(1, 100, 20, 40, 20); }},
        {"cleared screen", [](TSigPlus& pad) { pad.LCDRefresh(0, 0, 0, 240, 64); }},
        {"text", [](TSigPlus& pad) { pad.LCDWriteString(0, 2, 2, 20, 0, 0, 0, "Please enter a signature"); }},
        {"ink",
         [](TSigPlus& pad) {
             pad.LCDSetWindow(10, 10, 176, 44);
             pad.penDown({30, 50});
             pad.penMove({60, 45});
             pad.penUp();
         }},
    };
    ShownPads shown;
    TSigPlus pad;
    mapLikeTheScreens(pad);
    pad.LCDRefresh(0, 0, 0, 240, 64);
    QWidget* window = pad.virtualPad();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // No event is handled between a change and the look at the screen, as when the station blocks.
    for (const Row& row : rows) {
        const QImage before = onScreen(window);
        row.draw(pad);
        const QImage after = onScreen(window);
        EXPECT_TRUE(after != before) << row.id << ": the change is not on the screen yet";
        EXPECT_TRUE(after == window->grab().toImage().convertToFormat(after.format())) << row.id;
    }
}

TEST(VirtualPad, OutlinesTheActiveHotSpotsFaintly)
{
    TSigPlus pad;
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, black());
    pad.LCDRefresh(0, 150, 0, 90, 64);
    pad.KeyPadAddHotSpot(0, 1, 185, 20, 45, 10);
    pad.KeyPadAddHotSpot(1, 1, 185, 33, 45, 16);
    struct Row {
        const char* id;
        QPoint windowPoint;
        bool outline;
    };
    const Row rows[] = {
        {"left edge of hot spot 0", {185 * 3, 20 * 3 + 12}, true},
        {"top edge of hot spot 0", {200 * 3, 20 * 3}, true},
        {"bottom edge of hot spot 1", {200 * 3, (33 + 16) * 3 - 1}, true},
        {"right edge of hot spot 1", {(185 + 45) * 3 - 1, 40 * 3}, true},
        {"inside hot spot 0", {200 * 3, 25 * 3}, false},
        {"between the two", {200 * 3, 31 * 3}, false},
    };
    const QImage withSpots = pad.virtualPad()->grab().toImage();
    for (const Row& row : rows) {
        const QRgb pixel = withSpots.pixel(row.windowPoint);
        if (row.outline) {
            EXPECT_NE(pixel, glass) << row.id;
            EXPECT_GT(qGray(pixel), qGray(ink) + 60) << row.id << ": faint, not a lit pixel";
        } else {
            EXPECT_EQ(pixel, glass) << row.id;
        }
    }
    EXPECT_EQ(withSpots.pixel(windowPixel(100, 30)), ink) << "the lit LCD is drawn as before";

    // A whole picture put on the screen, as the idle screen is, keeps the hot spots but not their
    // outlines, until the next hot spot is set.
    QImage idle(240, 64, QImage::Format_RGB32);
    idle.fill(Qt::white);
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, idle);
    const QImage idleScreen = pad.virtualPad()->grab().toImage();
    for (const Row& row : rows)
        EXPECT_EQ(idleScreen.pixel(row.windowPoint), glass) << row.id << ": idle screen";
    pad.KeyPadAddHotSpot(2, 1, 10, 10, 176, 44);
    const QImage setAgain = pad.virtualPad()->grab().toImage();
    for (const Row& row : rows)
        EXPECT_EQ(setAgain.pixel(row.windowPoint) != glass, row.outline) << row.id << ": hot spots set again";

    pad.KeyPadClearHotSpotList();
    const QImage without = pad.virtualPad()->grab().toImage();
    for (const Row& row : rows)
        EXPECT_EQ(without.pixel(row.windowPoint), glass) << row.id << ": no hot spot, no outline";
}

TEST(VirtualPad, TakesEveryMoveAndThePenTabletsEvents)
{
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, true);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, true);
    TSigPlus pad;
    mapLikeTheScreens(pad);
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents))
        << "a burst of mouse moves would reach the pad as its last move only";
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_CompressTabletEvents));

    QWidget* window = pad.virtualPad();
    const QPointingDevice pen("pen", 7, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
                              QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3);
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QTabletEvent event(type, &pen, at, window->mapToGlobal(at), buttons ? 0.5 : 0.0, 0, 0, 0, 0, 0, {}, button,
                           buttons);
        QApplication::sendEvent(window, &event);
        return event.isAccepted();
    };
    // A zig-zag whose every corner must stay a point of the stroke.
    EXPECT_TRUE(send(QEvent::TabletPress, {60, 60}, Qt::LeftButton, Qt::LeftButton));
    for (int i = 1; i <= 6; ++i)
        send(QEvent::TabletMove, {60.0 + 30 * i, i % 2 ? 120.0 : 60.0}, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(send(QEvent::TabletRelease, {240, 60}, Qt::LeftButton, Qt::NoButton));
    ASSERT_EQ(pad.GetNumberOfStrokes(), 1);
    ASSERT_EQ(pad.GetNumPointsForStroke(0), 7);
    EXPECT_EQ(QPoint(pad.GetPointXValue(0, 1), pad.GetPointYValue(0, 1)), pad.logicalFromLcd({30, 40}));
    EXPECT_EQ(QPoint(pad.GetPointXValue(0, 2), pad.GetPointYValue(0, 2)), pad.logicalFromLcd({40, 20}));

    // A barrel button is no pen-down: it is left to become the mouse's click, which opens the menu.
    pad.ClearTablet();
    EXPECT_FALSE(send(QEvent::TabletPress, {60, 60}, Qt::RightButton, Qt::RightButton));
    EXPECT_EQ(pad.NumberOfTabletPoints(), 0);
}
