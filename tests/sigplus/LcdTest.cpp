#include "PadSetup.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage checkerboard() {
    QImage picture(240, 64, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 240; ++x)
            if ((x / 4 + y / 4) % 2) picture.setPixel(x, y, qRgb(0, 0, 0));
    return picture;
}

} // namespace

TEST(Lcd, RefreshModes) {
    TSigPlus pad;
    const QImage pattern = checkerboard();
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, pattern);
    const QImage before = pad.lcd().image();
    EXPECT_TRUE(pad.lcd().lit(4, 0));
    EXPECT_FALSE(pad.lcd().lit(0, 0));

    pad.LCDRefresh(1, 10, 5, 50, 20);
    EXPECT_NE(pad.lcd().image(), before);
    EXPECT_FALSE(pad.lcd().lit(16, 5)) << "inside the rectangle inverted";
    EXPECT_TRUE(pad.lcd().lit(4, 0)) << "outside untouched";
    pad.LCDRefresh(1, 10, 5, 50, 20);
    EXPECT_EQ(pad.lcd().image(), before) << "inverting twice is the identity";

    pad.LCDRefresh(0, 0, 0, 240, 64);
    EXPECT_TRUE(litBox(pad).isEmpty()) << "mode 0 clears";

    // Destination 1 stores the background without showing it; mode 2 brings back just the rectangle.
    pad.LCDWriteBitmap(1, 2, 0, 0, 240, 64, pattern);
    EXPECT_TRUE(litBox(pad).isEmpty());
    pad.LCDRefresh(2, 0, 0, 120, 64);
    EXPECT_EQ(litBox(pad), QRect(QPoint(0, 0), QPoint(119, 63)));
    pad.LCDRefresh(2, 0, 0, 240, 64);
    EXPECT_EQ(pad.lcd().image(), before);

    // Rectangles that leave the glass are cut, not wrapped.
    pad.LCDRefresh(0, 200, 40, 100, 100);
    EXPECT_TRUE(litBox(pad, QRect(QPoint(200, 40), QPoint(239, 63))).isEmpty());
    EXPECT_TRUE(pad.lcd().lit(4, 0));
}

TEST(Lcd, TextLightsPixelsOnlyInsideItsCell) {
    struct Row {
        const char* id;
        short height, weight;
        const char* face;
        short x, y;
        const char* text;
    };
    const Row rows[] = {
        {"prompt, proportional", 18, 600, "Arial", 2, 22, "Approve: typing gjpq"},
        {"prompt, monospaced", 18, 700, "Arial Monospaced", 2, 42, "Qty 12 jpg"},
        {"pad message", 14, 100, "Arial Monospaced", 16, 0, "Sign here, Mr. Pugh"},
    };
    for (const Row& row : rows) {
        TSigPlus pad;
        pad.LCDSetFont(row.height, 0, row.weight, 0, 0, 0, row.face);
        pad.LCDWriteString(0, 2, row.x, row.y, 0, 0, 0, row.text);
        const QFontMetrics metrics(pad.lcd().font());
        const QRect cell(row.x, row.y, metrics.horizontalAdvance(QString::fromLatin1(row.text)) + 1, row.height);
        const QRect box = litBox(pad);
        ASSERT_FALSE(box.isEmpty()) << row.id;
        EXPECT_TRUE(cell.contains(box)) << row.id << ": ink " << box.x() << "," << box.y() << " " << box.width() << "x"
                                        << box.height();
        // The cell is filled: capitals reach its upper part and descenders its lower part.
        EXPECT_LE(box.top(), row.y + row.height / 3) << row.id;
        EXPECT_GE(box.bottom(), row.y + row.height * 2 / 3) << row.id;
    }

    // The monospaced face is the Liberation one, and text adds pixels without clearing what is there.
    TSigPlus pad;
    pad.LCDSetFont(18, 0, 700, 0, 0, 0, "Arial Monospaced");
    EXPECT_EQ(QFontInfo(pad.lcd().font()).family(), "Liberation Mono");
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, checkerboard());
    const QImage before = pad.lcd().image();
    pad.LCDWriteString(0, 2, 2, 2, 0, 0, 0, "WWWW");
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 240; ++x) {
            if (before.pixelIndex(x, y)) {
                ASSERT_TRUE(pad.lcd().lit(x, y)) << x << "," << y;
            }
        }
}

TEST(Lcd, BitmapsOfAnyDepthLightTheirDarkPixels) {
    // A 24-bit picture with a grey ramp and a one-bit picture whose colour table puts black first.
    QImage ramp(240, 64, QImage::Format_RGB888);
    for (int x = 0; x < 240; ++x)
        for (int y = 0; y < 64; ++y)
            ramp.setPixel(x, y, qRgb(x, x, x));
    TSigPlus pad;
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, ramp);
    EXPECT_EQ(litBox(pad), QRect(0, 0, 128, 64));

    QImage inverted(240, 64, QImage::Format_Mono);
    inverted.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    inverted.fill(1);
    inverted.setPixel(100, 30, 0);
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, inverted);
    EXPECT_EQ(litBox(pad), QRect(100, 30, 1, 1));

    // A picture smaller than the area leaves the rest of the area blank.
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, ramp);
    pad.LCDWriteBitmap(0, 2, 0, 0, 240, 64, inverted.copy(0, 0, 120, 64));
    EXPECT_EQ(litBox(pad), QRect(100, 30, 1, 1));
}
