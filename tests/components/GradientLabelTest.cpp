#include "components/GradientLabel.h"
#include "Render.h"

#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QColor rgb(TColor color) {
    return toQColor(color);
}

struct Painted {
    TGradientLabel label;
    explicit Painted(int width, int height) {
        label.resize(width, height);
        label.SetColor(0x0000FF);   // red
        label.SetColorTo(0xFF0000); // blue
    }
    QImage image() { return rendered(label); }
};

} // namespace

TEST(GradientBands, BandsStartAtTheNearestIntegerOfTheirShareAndOverlap) {
    // Red rises by 255 / 67 a band, so every band of a 270-pixel label has a colour of its own.
    Painted painted(270, 10);
    painted.label.SetColor(0x000000);
    painted.label.SetColorTo(0x0000FF);
    const QImage image = painted.image();
    const double share = 270.0 / 67;
    for (int band = 0; band < 67; ++band) {
        const int start = static_cast<int>(std::nearbyint(band * share));
        const int red = static_cast<int>(std::nearbyint(band * 255.0 / 67));
        EXPECT_EQ(at(image, start, 5), QColor(red, 0, 0)) << "band " << band << " at x " << start;
        if (band > 0) {
            EXPECT_NE(at(image, start - 1, 5), QColor(red, 0, 0)) << "band " << band << " starts later";
        }
    }
    EXPECT_EQ(at(image, 269, 0), QColor(int(std::nearbyint(66 * 255.0 / 67)), 0, 0))
        << "the last band ends at the edge";
}

TEST(GradientBands, CountsAndRounding) {
    struct Row {
        const char* id;
        int width;
        TColor to;
        std::vector<std::pair<int, QColor>> pixels;
    };
    const std::vector<Row> rows = {
        {"3 pixels: one band of the first colour", 3, 0x0000FF, {{0, QColor(0, 0, 0)}, {2, QColor(0, 0, 0)}}},
        {"8 pixels: two bands, the half step rounds to even",
         8,
         0x000201,
         {{3, QColor(0, 0, 0)}, {4, QColor(0, 1, 0)}, {7, QColor(0, 1, 0)}}},
    };
    for (const Row& row : rows) {
        Painted painted(row.width, 4);
        painted.label.SetColor(0x000000);
        painted.label.SetColorTo(row.to);
        const QImage image = painted.image();
        for (const auto& [x, colour] : row.pixels)
            EXPECT_EQ(at(image, x, 1), colour) << row.id << ", x " << x;
    }
}

TEST(GradientLabel, BackgroundByGradientTypeAndOrientation) {
    {
        Painted painted(40, 20);
        painted.label.SetColorTo(clNone);
        const QImage image = painted.image();
        EXPECT_EQ(paintedBox(image), QRect(0, 0, 40, 20));
        EXPECT_EQ(at(image, 0, 0), rgb(0x0000FF)) << "no second colour: plain";
        EXPECT_EQ(at(image, 39, 19), rgb(0x0000FF));
    }
    {
        // Vertical orientation still paints a full horizontal gradient left to right.
        Painted painted(40, 20);
        painted.label.SetOrientation(goVertical);
        const QImage image = painted.image();
        EXPECT_EQ(at(image, 0, 0), rgb(0x0000FF));
        EXPECT_EQ(at(image, 0, 19), rgb(0x0000FF));
        EXPECT_EQ(at(image, 39, 0).blue(), at(image, 39, 19).blue());
        EXPECT_GT(at(image, 39, 0).blue(), 200);
    }
    {
        // Top to bottom, with the band count still taken from the width: 10 bands of 10 pixels.
        Painted painted(40, 100);
        painted.label.SetGradientType(gtFullVertical);
        const QImage image = painted.image();
        EXPECT_EQ(at(image, 39, 0), rgb(0x0000FF));
        EXPECT_EQ(at(image, 0, 9), rgb(0x0000FF));
        EXPECT_EQ(at(image, 0, 10), QColor(229, 0, 26)) << "band 1: -25.5 and 25.5 both round to the even 26";
        EXPECT_EQ(at(image, 20, 99), at(image, 0, 90));
    }
}

TEST(GradientLabel, LineStripsAreTwoPixelsWhateverTheLineWidth) {
    {
        Painted painted(40, 30);
        painted.label.SetGradientType(gtBottomLine);
        painted.label.SetTransparent(true);
        painted.label.SetLineWidth(10);
        const QImage image = painted.image();
        EXPECT_EQ(paintedBox(image), QRect(0, 28, 40, 2)) << "no background, a strip of 2 at the bottom";
        EXPECT_EQ(at(image, 0, 28), rgb(0x0000FF));
    }
    {
        Painted painted(40, 30);
        painted.label.SetGradientType(gtCenterLine);
        const QImage image = painted.image();
        EXPECT_EQ(at(image, 39, 14), rgb(0x0000FF)) << "background in the label's colour";
        EXPECT_NE(at(image, 39, 15), rgb(0x0000FF)) << "the strip's far end";
        EXPECT_NE(at(image, 39, 16), rgb(0x0000FF));
        EXPECT_EQ(at(image, 39, 17), rgb(0x0000FF));
    }
    {
        // A vertical strip at the right edge runs from the second colour at the top to the first.
        Painted painted(40, 100);
        painted.label.SetGradientType(gtBottomLine);
        painted.label.SetOrientation(goVertical);
        painted.label.SetColorTo(0x000000);
        const QImage image = painted.image();
        EXPECT_EQ(at(image, 37, 0), rgb(0x0000FF));
        EXPECT_EQ(at(image, 38, 0), QColor(0, 0, 0));
        EXPECT_EQ(at(image, 39, 0), QColor(0, 0, 0));
        EXPECT_EQ(at(image, 38, 99), QColor(230, 0, 0)) << "band 9 of 10: 229.5 to even";
    }
}

TEST(GradientLabel, TransparentTextLeavesAGapWhereTheCaptionStands) {
    struct Row {
        const char* id;
        TAlignment alignment;
        int firstInGap;    // x of a strip pixel inside the gap
        int lastBeforeGap; // x of a painted strip pixel just outside it
    };
    // The caption is at the top; the centre strip at rows 20 and 21 is left alone.
    const int width = 200;
    TGradientLabel probe;
    probe.SetCaption("Gap");
    const int textWidth =
        QFontMetrics(probe.font()).boundingRect(QRect(0, 0, width, 40), Qt::TextShowMnemonic, "Gap").width();
    const std::vector<Row> rows = {
        {"left with indent 10", taLeftJustify, 10, 9},
        {"right with indent 10", taRightJustify, width - 11, width - 10},
        {"centre ignores the indent", taCenter, (width - textWidth) / 2, (width - textWidth) / 2 - 1},
    };
    for (const Row& row : rows) {
        Painted painted(width, 40);
        painted.label.SetCaption("Gap");
        painted.label.SetGradientType(gtCenterLine);
        painted.label.SetTransparent(true);
        painted.label.SetTransparentText(true);
        painted.label.SetAlignment(row.alignment);
        painted.label.SetIndent(10);
        const QImage image = painted.image();
        EXPECT_EQ(at(image, row.firstInGap, 21), Untouched) << row.id;
        EXPECT_NE(at(image, row.lastBeforeGap, 21), Untouched) << row.id;
        EXPECT_NE(at(image, 0, 21), Untouched) << row.id;
        EXPECT_NE(at(image, width - 1, 21), Untouched) << row.id;
    }
}

TEST(GradientLabel, SigningWindowFormats) {
    TGradientLabel title, review, sign;
    title.SetAlignment(taCenter);
    sign.SetWordWrap(true);
    EXPECT_EQ(title.TextFormat(), 0x121u);
    EXPECT_EQ(review.TextFormat(), 0x120u);
    EXPECT_EQ(sign.TextFormat(), 0x110u);

    TGradientLabel every;
    every.SetAlignment(taRightJustify);
    every.SetLayout(tlBottom);
    every.SetEllipsType(etPathEllips);
    every.SetShowAccelChar(false);
    every.SetVAlignment(vaCenter);
    EXPECT_EQ(every.TextFormat(), 0x2u | 0x20 | 0x8 | 0x4000 | 0x800 | 0x4 | 0x100);
}

TEST(GradientLabel, CaptionLooks) {
    auto count = [](const QImage& image, QColor colour, QRect where) {
        int found = 0;
        for (int y = where.top(); y <= where.bottom(); ++y)
            for (int x = where.left(); x <= where.right(); ++x)
                found += image.pixelColor(x, y) == colour;
        return found;
    };
    const QColor ink = rgb(0x00FF00);
    const QColor highlight = rgb(clBtnHighlight), shadow = rgb(clBtnShadow);
    auto label = [&](int width, int height) {
        auto made = std::make_unique<Painted>(width, height);
        made->label.SetCaption("WWWW");
        made->label.SetFontColor(0x00FF00);
        made->label.SetColorTo(clNone);
        return made;
    };
    {
        auto painted = label(120, 30);
        painted->label.SetIndent(40);
        const QImage image = painted->image();
        EXPECT_GT(count(image, ink, QRect(40, 0, 80, 30)), 0) << "enabled: in the font colour";
        EXPECT_EQ(count(image, ink, QRect(0, 0, 40, 30)), 0) << "the indent keeps the left edge clear";
    }
    {
        auto painted = label(120, 30);
        painted->label.setEnabled(false);
        const QImage image = painted->image();
        EXPECT_EQ(count(image, ink, image.rect()), 0);
        EXPECT_GT(count(image, highlight, image.rect()), 0) << "disabled: a highlight copy";
        EXPECT_GT(count(image, shadow, image.rect()), 0) << "and a shadow copy over it";
    }
    {
        // Rotated, the caption rises from the bottom left corner.
        auto painted = label(30, 200);
        painted->label.SetOrientation(goVertical);
        const QImage image = painted->image();
        const QFontMetrics metrics(painted->label.font());
        const int length = metrics.horizontalAdvance("WWWW");
        EXPECT_GT(count(image, ink, QRect(0, 200 - length, metrics.height(), length)), 0);
        EXPECT_EQ(count(image, ink, QRect(0, 0, 30, 200 - length - 1)), 0);
    }
}
