#include "PadSetup.h"

#include "TestSupport.h"
#include "win/WinPath.h"

#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

class Images : public ::testing::Test {
protected:
    void SetUp() override {
        mapLikeTheScreens(pad);
        pad.SetSigWindow(1, 10, 10, 176, 44);
        // A short zigzag in the middle of the writing box.
        pad.penDown({60, 20});
        pad.penMove({80, 40});
        pad.penMove({100, 20});
        pad.penMove({120, 40});
        pad.penUp();
        pad.ImagePenWidth = 15;
        pad.JustifyMode = 5;
        pad.TabletState = 0;
    }

    // The ink's bounding box in a picture read back.
    static QRect inkBox(const QImage& picture) {
        QRect box;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qGray(picture.pixel(x, y)) < 128) box = box.united(QRect(x, y, 1, 1));
        return box;
    }

    testing_support::TempInstall install;
    TSigPlus pad;
};

uint16_t word(const QByteArray& bytes, qsizetype at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                             << 8);
}
uint32_t dword(const QByteArray& bytes, qsizetype at) {
    return word(bytes, at) | uint32_t(word(bytes, at + 2)) << 16;
}

} // namespace

TEST_F(Images, EveryRasterCodeWritesAFileOfTheRequestedSize) {
    struct Row {
        short code;
        const char* format;
        int depth; // as Qt reads it back
    };
    const Row rows[] = {
        {0, "bmp", 1},   {1, "bmp", 8},  {2, "bmp", 32}, {3, "jpeg", 8},
        {4, "jpeg", 32}, {5, "tiff", 8}, {6, "tiff", 1}, {9, "tiff", 1},
    };
    for (const QSize size : {QSize(1000, 350), QSize(142, 50)}) {
        for (const Row& row : rows) {
            const std::string id = "code " + std::to_string(row.code) + " at " + std::to_string(size.width());
            const std::string path = "C:\\Stylara\\Temp\\isign." + std::to_string(row.code);
            pad.ImageFileFormat = row.code;
            pad.ImageXSize = static_cast<short>(size.width());
            pad.ImageYSize = static_cast<short>(size.height());
            ASSERT_TRUE(pad.WriteImageFile(path)) << id;
            QImageReader reader(QString::fromStdString(install.native(path)));
            EXPECT_EQ(reader.format(), row.format) << id;
            const QImage picture = reader.read();
            ASSERT_FALSE(picture.isNull()) << id;
            EXPECT_EQ(picture.size(), size) << id;
            EXPECT_EQ(picture.depth(), row.depth) << id;
            // Scaled to fit and centred: the ink fills one dimension up to the pen's margin and sits in
            // the middle of the other.
            const QRect ink = inkBox(picture);
            ASSERT_FALSE(ink.isEmpty()) << id;
            EXPECT_NEAR(ink.center().x(), size.width() / 2.0, 3) << id;
            EXPECT_NEAR(ink.center().y(), size.height() / 2.0, 3) << id;
            EXPECT_GT(ink.height(), size.height() * 0.8) << id;
            EXPECT_LT(ink.height(), size.height()) << id << ": no ink cut at the edge";
        }
    }
}

TEST_F(Images, CompressionOfTheTiffKindsDiffers) {
    // The uncompressed one-bit kind is the one the station compresses afterwards, so it must be the larger.
    auto sizeOf = [&](short code) {
        pad.ImageFileFormat = code;
        pad.ImageXSize = 1000;
        pad.ImageYSize = 350;
        const std::string path = "C:\\Stylara\\Temp\\k" + std::to_string(code) + ".tif";
        EXPECT_TRUE(pad.WriteImageFile(path));
        return QFile(QString::fromStdString(install.native(path))).size();
    };
    EXPECT_GT(sizeOf(9), 10 * sizeOf(6));
    EXPECT_GE(sizeOf(9), 1000 / 8 * 350);
}

TEST_F(Images, MetafileHoldsOnePolylinePerStroke) {
    pad.ImageFileFormat = 7;
    pad.ImageXSize = 285;
    pad.ImageYSize = 100;
    // A second stroke, a single touch.
    pad.TabletState = 1;
    pad.penDown({150, 30});
    pad.penUp();
    ASSERT_TRUE(pad.WriteImageFile("C:\\Stylara\\Temp\\isign.wmf"));
    QFile file(QString::fromStdString(install.native("C:\\Stylara\\Temp\\isign.wmf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 22 + 18);

    // The placeable header: key, frame of the requested size, checksum of its first ten words.
    EXPECT_EQ(dword(bytes, 0), 0x9AC6CDD7u);
    EXPECT_EQ(word(bytes, 6), 0);
    EXPECT_EQ(word(bytes, 8), 0);
    EXPECT_EQ(word(bytes, 10), 285);
    EXPECT_EQ(word(bytes, 12), 100);
    uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i)
        checksum ^= word(bytes, 2 * i);
    EXPECT_EQ(word(bytes, 20), checksum);

    // The metafile header: its size in words is the rest of the file.
    const qsizetype meta = 22;
    EXPECT_EQ(word(bytes, meta), 1);
    EXPECT_EQ(word(bytes, meta + 2), 9);
    EXPECT_EQ(word(bytes, meta + 4), 0x0300);
    EXPECT_EQ(dword(bytes, meta + 6) * 2, static_cast<uint32_t>(bytes.size() - meta));
    const uint32_t maxRecord = dword(bytes, meta + 12);

    // The records, walked to the end.
    std::vector<uint16_t> functions;
    std::vector<std::vector<QPoint>> polylines;
    uint32_t largest = 0;
    qsizetype at = meta + 18;
    while (at + 6 <= bytes.size()) {
        const uint32_t size = dword(bytes, at);
        const uint16_t function = word(bytes, at + 4);
        ASSERT_GE(size, 3u);
        ASSERT_LE(at + qsizetype(size) * 2, bytes.size());
        largest = std::max(largest, size);
        functions.push_back(function);
        if (function == 0x0325) {
            const uint16_t count = word(bytes, at + 6);
            EXPECT_EQ(size, 3u + 1 + 2u * count);
            polylines.emplace_back();
            for (uint16_t i = 0; i < count; ++i)
                polylines.back().emplace_back(int16_t(word(bytes, at + 8 + 4 * i)),
                                              int16_t(word(bytes, at + 10 + 4 * i)));
        }
        at += qsizetype(size) * 2;
        if (function == 0x0000) break;
    }
    EXPECT_EQ(at, bytes.size()) << "the end record is the last";
    EXPECT_EQ(largest, maxRecord);
    ASSERT_FALSE(functions.empty());
    EXPECT_EQ(functions.back(), 0x0000);
    EXPECT_NE(std::find(functions.begin(), functions.end(), 0x02FA), functions.end()) << "a pen is created";
    EXPECT_NE(std::find(functions.begin(), functions.end(), 0x012D), functions.end()) << "and selected";
    ASSERT_EQ(polylines.size(), 2u);
    EXPECT_EQ(polylines[0].size(), 4u);
    EXPECT_EQ(polylines[1].size(), 2u) << "a single touch is drawn as a dot";
    for (const auto& line : polylines)
        for (const QPoint& point : line)
            EXPECT_TRUE(QRect(0, 0, 285, 100).contains(point)) << point.x() << "," << point.y();
}

TEST_F(Images, NothingSignedGivesABlankPictureAndBadRequestsFail) {
    pad.ClearTablet();
    pad.ImageFileFormat = 0;
    pad.ImageXSize = 200;
    pad.ImageYSize = 70;
    ASSERT_TRUE(pad.WriteImageFile("C:\\Stylara\\Temp\\blank.bmp"));
    const QImage blank(QString::fromStdString(install.native("C:\\Stylara\\Temp\\blank.bmp")));
    EXPECT_EQ(blank.size(), QSize(200, 70));
    EXPECT_TRUE(inkBox(blank).isEmpty());

    EXPECT_FALSE(pad.WriteImageFile("C:\\no such folder\\isign.bmp"));
    pad.ImageFileFormat = 8;
    EXPECT_FALSE(pad.WriteImageFile("C:\\Stylara\\Temp\\isign.x"));
    pad.ImageFileFormat = 0;
    pad.ImageXSize = 0;
    EXPECT_FALSE(pad.WriteImageFile("C:\\Stylara\\Temp\\isign.bmp"));
}
