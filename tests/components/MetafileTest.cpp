#include "MetafileFixture.h"
#include "win/LibraryError.h"

#include <QFile>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

TEST(Metafile, LineDrawingsAndTextAreDrawn)
{
    struct Row {
        const char* id;
        QByteArray bytes;
    };
    const std::vector<Row> rows = {{"placeable WMF", wmf::file(wmf::drawing())}, {"EMF", emf::file(emf::drawing())}};
    for (const Row& row : rows) {
        QSize size;
        const QImage image = shown(row.bytes, &size);
        EXPECT_EQ(size, QSize(96, 48)) << row.id;
        EXPECT_EQ(at(image, 24, 24), QColor(Qt::blue)) << row.id << ": the filled polygon";
        EXPECT_EQ(at(image, 5, 5), Untouched) << row.id << ": around it nothing";
        EXPECT_EQ(at(image, 42, 24), Untouched) << row.id << ": the null pen draws no outline";
        EXPECT_EQ(at(image, 70, 24), QColor(Qt::red)) << row.id << ": the thick line";
        EXPECT_EQ(at(image, 70, 20), Untouched) << row.id;
        EXPECT_GT(greenPixels(image, QRect(50, 28, 46, 20)), 10) << row.id << ": the letters";
        EXPECT_EQ(greenPixels(image, QRect(0, 0, 50, 48)), 0) << row.id;
    }
}

TEST(Metafile, TheWindowAndViewportScaleTheDrawing)
{
    const QByteArray square = wmf::record(0x0324, {4, 100, 100, 400, 100, 400, 400, 100, 400});
    const std::vector<QByteArray> blueBrushNullPen = {wmf::record(0x02FC, std::vector<int>{0, 0, 0x00FF, 0}),
                                                      wmf::record(0x02FA, {5, 0, 0, 0, 0}), wmf::record(0x012D, {0}),
                                                      wmf::record(0x012D, {1})};
    auto withWindow = [&](std::vector<QByteArray> setUp) {
        std::vector<QByteArray> records = blueBrushNullPen;
        records.insert(records.end(), setUp.begin(), setUp.end());
        records.push_back(square);
        return wmf::file(records);
    };
    const QByteArray emfSquare = emf::polygon16(86, {10, 10, 38, 10, 38, 38, 10, 38});
    auto emfWith = [&](std::vector<QByteArray> setUp) {
        std::vector<QByteArray> records = {emf::record(39, emf::words({1, 0, std::int32_t(Blue), 0})),
                                           emf::record(37, emf::words({1})),
                                           emf::record(37, emf::words({std::int32_t(0x80000008)}))};
        records.insert(records.end(), setUp.begin(), setUp.end());
        records.push_back(emfSquare);
        return emf::file(records);
    };
    struct Row {
        const char* id;
        QByteArray bytes;
        QRect square; // where it lands, in pixels
    };
    const std::vector<Row> rows = {
        {"WMF, window as the bounds", withWindow({wmf::record(0x020C, {500, 1000})}), {10, 10, 28, 28}},
        {"WMF, half the window: twice as large", withWindow({wmf::record(0x020C, {250, 500})}), {19, 19, 57, 57}},
        {"WMF, window moved", withWindow({wmf::record(0x020B, {100, 100})}), {0, 0, 28, 28}},
        {"EMF, no mapping", emfWith({}), {10, 10, 28, 28}},
        {"EMF, text mode ignores extents",
         emfWith({emf::record(9, emf::words({1, 1})), emf::record(11, emf::words({2, 2}))}),
         {10, 10, 28, 28}},
        {"EMF, anisotropic: twice as large",
         emfWith({emf::record(17, emf::words({8})), emf::record(9, emf::words({48, 24})),
                  emf::record(11, emf::words({96, 48}))}),
         {20, 20, 56, 56}},
        {"EMF, viewport moved", emfWith({emf::record(12, emf::words({20, 0}))}), {30, 10, 28, 28}},
    };
    for (const Row& row : rows) {
        const QImage image = shown(row.bytes);
        const QRect inner = row.square.adjusted(2, 2, -2, -2).intersected(image.rect());
        EXPECT_EQ(at(image, inner.left(), inner.top()), QColor(Qt::blue)) << row.id;
        EXPECT_EQ(at(image, inner.right(), inner.bottom()), QColor(Qt::blue)) << row.id;
        const QRect outer = row.square.adjusted(-2, -2, 2, 2);
        if (outer.right() < image.width()) {
            EXPECT_EQ(at(image, outer.right(), inner.top()), Untouched) << row.id;
        }
        if (outer.left() >= 0) {
            EXPECT_EQ(at(image, outer.left(), inner.top()), Untouched) << row.id;
        }
    }
}

TEST(Metafile, DamagedOrHugeMetafilesAreRefusedAndCutsStayInside)
{
    const char* refused = "Could not load image. Invalid format";
    QByteArray noInch = wmf::file(wmf::drawing());
    noInch[14] = noInch[15] = 0;
    QByteArray emfNoDevice = emf::file(emf::drawing());
    emfNoDevice.replace(8 + 72 - 8, 4, emf::words({0}));
    struct Row {
        const char* id;
        QByteArray bytes;
    };
    QByteArray emfNoFrame = emf::file(emf::drawing());
    emfNoFrame.replace(24, 16, emf::words({100, 100, 50, 50}));
    QByteArray emfFrameBeyondInt = emf::file(emf::drawing());
    emfFrameBeyondInt.replace(24, 16, emf::words({INT32_MIN, 0, INT32_MAX, 100}));
    for (const Row& row : std::vector<Row>{{"WMF without units to the inch", noInch},
                                           {"EMF without a reference device", emfNoDevice},
                                           {"EMF whose frame ends before it begins", emfNoFrame},
                                           {"EMF wider than HIMETRIC units count", emfFrameBeyondInt}}) {
        TIPicture picture;
        QBuffer stream;
        stream.setData(row.bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            picture.LoadFromStream(&stream);
            ADD_FAILURE() << row.id << ": loaded";
        } catch (const win::LibraryError& error) {
            EXPECT_STREQ(error.what(), refused) << row.id;
        }
    }
    // Fields at the ends of their range draw (nothing to see) instead of overflowing on the way.
    const std::int32_t lowest = INT32_MIN;
    QByteArray extremeFont = emf::words({1, lowest, 0, lowest, lowest, lowest, 0});
    extremeFont += QByteArray(64, '\0');
    const QByteArray extremes = emf::file({
        emf::record(10, emf::words({lowest, lowest})),
        emf::record(12, emf::words({lowest, lowest})),
        emf::record(82, extremeFont),
        emf::record(37, emf::words({1})),
        emf::record(38, emf::words({2, 0, lowest, 0, std::int32_t(Red)})),
        emf::record(37, emf::words({2})),
        emf::polygon16(87, {-32768, -32768, 32767, 32767}),
        emf::text(lowest, lowest, "W"),
    });
    EXPECT_FALSE(played(extremes).isNull());

    // Every cut of both files either draws or is refused, reading nothing past its bytes.
    for (const QByteArray& whole : {wmf::file(wmf::drawing()), emf::file(emf::drawing())})
        for (qsizetype length = 0; length <= whole.size(); ++length)
            played(whole.left(length));
}

TEST(Metafile, DrawingsLargerThanAnyImageShowAtTheSizeTheyAreDrawnInto)
{
    // An A0 drawing, 3187 by 4125 mm at 96 pixels to the inch, and a WMF of 32767 units at 100 to the
    // inch: each far more pixels than one image holds, the left half blue.
    QByteArray a0 = emf::file(
        {emf::record(39, emf::words({1, 0, std::int32_t(Blue), 0})), emf::record(37, emf::words({1})),
         emf::record(37, emf::words({std::int32_t(0x80000008)})), emf::record(43, emf::words({0, 0, 6022, 15591}))});
    a0.replace(24, 16, emf::words({0, 0, 318699, 412499}));
    QByteArray wmf = wmf::file({wmf::record(0x02FC, std::vector<int>{0, 0, 0x00FF, 0}), wmf::record(0x012D, {0}),
                                wmf::record(0x020C, {500, 1000}), wmf::record(0x041B, {500, 500, 0, 0})});
    wmf[10] = char(0xFF);
    wmf[11] = char(0x7F);
    wmf[12] = char(0xFF);
    wmf[13] = char(0x7F);
    wmf[14] = char(100);
    wmf[15] = 0;
    struct Row {
        const char* id;
        QByteArray bytes;
        QSize pixels;
    };
    for (const Row& row : std::vector<Row>{{"A0 EMF", a0, {12045, 15591}}, {"huge WMF", wmf, {31456, 31456}}}) {
        TAdvPicture control;
        control.resize(96, 48);
        control.SetPicturePosition(bpStretched);
        QBuffer stream;
        stream.setData(row.bytes);
        stream.open(QIODevice::ReadOnly);
        try {
            control.Picture()->LoadFromStream(&stream);
        } catch (const win::LibraryError& error) {
            ADD_FAILURE() << row.id << ": " << error.what();
            continue;
        }
        EXPECT_EQ(QSize(control.Picture()->GetWidth(), control.Picture()->GetHeight()), row.pixels) << row.id;
        const QImage image = rendered(control);
        EXPECT_EQ(at(image, 24, 24), QColor(Qt::blue)) << row.id;
        EXPECT_EQ(at(image, 72, 24), Untouched) << row.id;

        // Drawn at its full size, only the part the control shows is drawn.
        control.SetPicturePosition(bpTopLeft);
        EXPECT_EQ(at(rendered(control), 48, 24), QColor(Qt::blue)) << row.id << " at full size";
        // Through the off-screen bitmap too, which then holds only that part.
        control.SetDoubleBuffered(true);
        const QImage buffered = rendered(control);
        EXPECT_EQ(at(buffered, 48, 24), QColor(Qt::blue)) << row.id << " buffered";
        EXPECT_EQ(at(buffered, 95, 47), QColor(Qt::blue)) << row.id << " buffered";
    }
}

TEST(Metafile, APictureDrawsItsSourceRectangleIntoTheDestinationOnly)
{
    // The left half of the 96 by 48 drawing, with its blue square at 10 to 38, into the left half of the
    // canvas: the red line of the right half, from 48 on, stays out.
    const DecodedPicture decoded = DecodePicture(emf::file(emf::drawing()));
    ASSERT_TRUE(decoded.picture);
    const int hmWidth = decoded.picture->HimetricWidth(), hmHeight = decoded.picture->HimetricHeight();
    QImage canvas(96, 48, QImage::Format_ARGB32);
    canvas.fill(Untouched);
    {
        QPainter painter(&canvas);
        decoded.picture->Render(painter, 0, 48, 48, -48, 0, 0, hmWidth / 2, hmHeight);
    }
    EXPECT_EQ(at(canvas, 30, 24), QColor(Qt::blue));
    EXPECT_EQ(at(canvas, 5, 24), Untouched);
    EXPECT_EQ(at(canvas, 60, 24), Untouched) << "nothing past the destination";
}

TEST(Metafile, ADrawingProgramsFileShowsItsCurvesClipAndHoles)
{
    // Made by a drawing program from a drawing of 400 by 300: paths of Bézier curves set up through the
    // world transform, open curves that are only stroked, a square clipped by a circular path, a square
    // with an even-odd hole, a rounded rectangle.
    QFile file(STYLARA_TEST_DATA "/inkscape-drawing.emf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    TAdvPicture control;
    control.resize(401, 302);
    QBuffer stream;
    stream.setData(file.readAll());
    stream.open(QIODevice::ReadOnly);
    control.Picture()->LoadFromStream(&stream);
    const QImage image = rendered(control);
    const QColor clipped(0, 170, 85), red(Qt::red), green(0, 128, 0), blue(51, 102, 204);
    expectProbes(image,
                 {{330, 230, clipped},
                  {285, 195, Untouched}, // the square shows only inside its clip circle
                  {305, 120, red},
                  {320, 120, Untouched}, // the inner square is a hole
                  {140, 150, green},
                  {80, 140, Untouched},  // an open curve is stroked, not filled
                  {200, 215, Untouched}, // so is an open zigzag
                  {70, 50, blue},
                  {11, 11, Untouched}}, // the rounded rectangle's corner is cut off
                 "drawing program's EMF");
}

TEST(Metafile, ADrawingProgramsTransparentBitmapsLeaveThePageAroundThem)
{
    // Made by LibreOffice 7.4 from drawings of 3 by 2.25 cm: a hatched rectangle with its shadow, an
    // ellipse filled with a bitmap pattern, and a PNG with a clear background beside a green band. Each
    // transparent bitmap is a mask laid with SRCPAINT and then the image with SRCAND. The figures are the
    // share of pixels that are not white in LibreOffice's own PNG of each drawing, 113 by 85 pixels, and a
    // point where that PNG shows the page through a bitmap.
    struct Row {
        const char* file;
        double ink;
        QPoint page;
    };
    const std::vector<Row> rows = {
        {"libreoffice-hatch-shadow.emf", 0.348, {56, 45}},    {"libreoffice-hatch-shadow.wmf", 0.348, {56, 45}},
        {"libreoffice-pattern.emf", 0.293, {12, 12}},         {"libreoffice-pattern.wmf", 0.293, {12, 12}},
        {"libreoffice-transparent-png.emf", 0.655, {12, 12}}, {"libreoffice-transparent-png.wmf", 0.655, {12, 12}}};
    for (const Row& row : rows) {
        QFile file(QString(STYLARA_TEST_DATA "/") + row.file);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << row.file;
        const DecodedPicture decoded = DecodePicture(file.readAll());
        ASSERT_TRUE(decoded.picture) << row.file;
        QImage page(113, 85, QImage::Format_ARGB32);
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            decoded.picture->Render(painter, 0, page.height(), page.width(), -page.height(), 0, 0,
                                    decoded.picture->HimetricWidth(), decoded.picture->HimetricHeight());
        }
        int ink = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                ink += c.red() < 250 || c.green() < 250 || c.blue() < 250;
            }
        EXPECT_NEAR(double(ink) / (page.width() * page.height()), row.ink, row.ink / 3) << row.file;
        EXPECT_EQ(at(page, row.page.x(), row.page.y()), QColor(Qt::white)) << row.file;
    }
}
