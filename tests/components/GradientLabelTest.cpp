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

// A label of plain red with a long caption in green, and the box of every pixel the caption touched.
struct CaptionOnly {
    TGradientLabel label;
    CaptionOnly(int width, int height, const char* caption) {
        label.resize(width, height);
        label.SetColor(0x0000FF);
        label.SetColorTo(clNone);
        label.SetFontColor(0x00FF00);
        label.SetCaption(caption);
    }
    QImage image() { return rendered(label); }
    static bool inked(const QImage& image, int x, int y) { return image.pixelColor(x, y) != rgb(0x0000FF); }
    static QRect inkBox(const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (inked(image, x, y)) box |= QRect(x, y, 1, 1);
        return box;
    }
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

TEST(GradientLabel, RotatedCaptionByLayoutAlignmentAndIndent) {
    const int width = 40, height = 200;
    CaptionOnly probe(width, height, "WWWW");
    const QFontMetrics metrics(probe.label.font());
    const int textHeight = metrics.height(), length = metrics.horizontalAdvance("WWWW");
    struct Row {
        const char* id;
        TTextLayout layout;
        TAlignment alignment;
        int indent;
        QPoint origin; // where the caption starts, rising from it
    };
    const std::vector<Row> rows = {
        {"top, left", tlTop, taLeftJustify, 0, {0, height}},
        {"centre, left", tlCenter, taLeftJustify, 0, {width / 2 - textHeight / 2, height}},
        {"bottom, left", tlBottom, taLeftJustify, 0, {width - textHeight, height}},
        {"top, right", tlTop, taRightJustify, 0, {0, length}},
        {"top, centre", tlTop, taCenter, 0, {0, length / 2 + height / 2}},
        {"indent lifts a left caption", tlTop, taLeftJustify, 30, {0, height - 30}},
        {"indent lowers a right caption", tlBottom, taRightJustify, 30, {width - textHeight, 30 + length}},
        {"a centred caption ignores the indent", tlCenter, taCenter, 30, {width / 2 - textHeight / 2, length / 2 + height / 2}},
    };
    for (const Row& row : rows) {
        CaptionOnly painted(width, height, "WWWW");
        painted.label.SetOrientation(goVertical);
        painted.label.SetLayout(row.layout);
        painted.label.SetAlignment(row.alignment);
        painted.label.SetIndent(row.indent);
        const QRect ink = CaptionOnly::inkBox(painted.image());
        const QRect cell(row.origin.x(), row.origin.y() - length, textHeight, length);
        EXPECT_TRUE(cell.adjusted(0, -1, 0, 1).contains(ink)) << row.id << ": ink " << ink.x() << "," << ink.y() << " "
                                                             << ink.width() << "x" << ink.height();
        EXPECT_GT(ink.height(), length * 3 / 4) << row.id << ": the whole caption";
        EXPECT_LE(ink.left(), cell.left() + textHeight / 2) << row.id;
        EXPECT_GE(ink.bottom(), cell.bottom() - 3) << row.id << ": it starts at the origin";
    }
}

TEST(GradientLabel, EllipsisShortensWhatDoesNotFit) {
    // Columns where the upper half of the capitals has ink: an ellipsis has none, only dots below.
    auto upperInk = [](const QImage& image, const QFontMetrics& metrics) {
        std::vector<bool> columns(image.width());
        const int top = metrics.ascent() - metrics.capHeight();
        for (int x = 0; x < image.width(); ++x)
            for (int y = top + 1; y < top + metrics.capHeight() / 2; ++y)
                if (CaptionOnly::inked(image, x, y)) columns[x] = true;
        return columns;
    };
    // The first run of at least 6 columns inside the caption without upper ink: where a "..." stands.
    auto dotsAt = [](const std::vector<bool>& columns, const QRect& ink) {
        int run = 0;
        for (int x = ink.left(); x <= ink.right(); ++x) {
            run = columns[x] ? 0 : run + 1;
            if (run == 6) return x - 5;
        }
        return -1;
    };
    struct Row {
        const char* id;
        TEllipsType type;
        bool dots;
        bool dotsAtTheEnd;
    };
    const std::vector<Row> rows = {
        {"none: the caption runs on past the edge", etNone, false, false},
        {"end ellipsis", etEndEllips, true, true},
        {"path ellipsis keeps the end", etPathEllips, true, false},
    };
    for (const Row& row : rows) {
        CaptionOnly painted(100, 30, "WWWWWWWWWWWWWWWW");
        painted.label.SetEllipsType(row.type);
        const QImage image = painted.image();
        const QRect ink = CaptionOnly::inkBox(image);
        const std::vector<bool> columns = upperInk(image, QFontMetrics(painted.label.font()));
        const int dots = dotsAt(columns, ink);
        EXPECT_EQ(dots >= 0, row.dots) << row.id;
        if (!row.dots) {
            EXPECT_EQ(ink.right(), 99) << row.id;
            continue;
        }
        EXPECT_LT(ink.right(), 100) << row.id << ": the shortened caption fits";
        bool inkAfterDots = false;
        for (int x = dots + 6; x <= ink.right(); ++x)
            inkAfterDots = inkAfterDots || columns[x];
        EXPECT_EQ(inkAfterDots, !row.dotsAtTheEnd) << row.id;
    }
}
