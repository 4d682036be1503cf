#include "bmglib/Bmglib.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A signature-like picture: white with a few thick black strokes.
QImage signature(QImage::Format format) {
    QImage canvas(1000, 350, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, format != QImage::Format_Mono);
        painter.setPen(QPen(Qt::black, 15, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(100, 250, 300, 80);
        painter.drawLine(300, 80, 500, 260);
        painter.drawEllipse(600, 90, 250, 160);
    }
    return canvas.convertToFormat(format, Qt::ThresholdDither);
}

class Bmglib : public ::testing::Test {
protected:
    std::string native(const std::string& path) const { return install.native(path); }
    qint64 sizeOf(const std::string& path) const { return QFile(QString::fromStdString(native(path))).size(); }
    QImage read(const std::string& path) const { return QImage(QString::fromStdString(native(path))); }
    void writeTiff(const std::string& path, const QImage& picture) const {
        QImageWriter writer(QString::fromStdString(native(path)), "tiff");
        writer.setCompression(0);
        ASSERT_TRUE(writer.write(picture));
    }
    // What the station passes: 9 and the three fields it never writes.
    const BmgSaveOptions options{9, 0, 0, 0};

    testing_support::TempInstall install;
};

} // namespace

TEST_F(Bmglib, RewriteInPlaceIsReadableSameAndNotLarger) {
    struct Row {
        const char* id;
        QImage::Format format;
    };
    const Row rows[] = {{"one bit", QImage::Format_Mono}, {"greyscale", QImage::Format_Grayscale8}};
    for (const Row& row : rows) {
        const std::string path = "C:\\Stylara\\Temp\\isign.tif";
        const QImage original = signature(row.format);
        writeTiff(path, original);
        const qint64 before = sizeOf(path);

        BitmapHandle bitmap = _CreateBitmapFromFile(path.c_str(), nullptr, 0);
        ASSERT_NE(bitmap, nullptr) << row.id;
        EXPECT_EQ(_SaveBitmapToFile(bitmap, path.c_str(), &options), 1) << row.id;
        DeleteBitmap(bitmap);

        const QImage rewritten = read(path);
        ASSERT_FALSE(rewritten.isNull()) << row.id;
        EXPECT_EQ(rewritten.depth(), original.depth()) << row.id;
        EXPECT_EQ(rewritten.convertToFormat(QImage::Format_RGB32), original.convertToFormat(QImage::Format_RGB32))
            << row.id << ": the pixels survive";
        EXPECT_LT(sizeOf(path), before / 4) << row.id << ": compressed";
        EXPECT_EQ(QDir(QString::fromStdString(native("C:\\Stylara\\Temp"))).entryList(QDir::Files),
                  QStringList{"isign.tif"})
            << row.id << ": the same name, nothing left beside it";

        // A second rewrite of the compressed file never makes it larger.
        const qint64 compressed = sizeOf(path);
        bitmap = _CreateBitmapFromFile(path.c_str(), nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(_SaveBitmapToFile(bitmap, path.c_str(), &options), 1);
        DeleteBitmap(bitmap);
        EXPECT_LE(sizeOf(path), compressed) << row.id;
    }
}

TEST_F(Bmglib, WhatIsNoReadableTiffGivesNull) {
    const std::string junk("II*\0 not really a tiff at all", 30);
    install.write("C:\\Stylara\\Temp\\junk.tif", junk);
    QImage(20, 20, QImage::Format_RGB32).save(QString::fromStdString(native("C:\\Stylara\\Temp\\picture.tif")), "BMP");
    const QImage small = signature(QImage::Format_Mono);
    writeTiff("C:\\Stylara\\Temp\\cut.tif", small);
    QFile cut(QString::fromStdString(native("C:\\Stylara\\Temp\\cut.tif")));
    cut.resize(cut.size() / 3);

    for (const char* path : {"C:\\Stylara\\Temp\\junk.tif", "C:\\Stylara\\Temp\\picture.tif",
                             "C:\\Stylara\\Temp\\missing.tif", "C:\\Stylara\\Temp\\cut.tif", "C:\\Stylara\\Temp"})
        EXPECT_EQ(_CreateBitmapFromFile(path, nullptr, 0), nullptr) << path;
    EXPECT_EQ(_SaveBitmapToFile(nullptr, "C:\\Stylara\\Temp\\junk.tif", &options), 0);
    EXPECT_EQ(install.read("C:\\Stylara\\Temp\\junk.tif"), junk) << "left alone";
}

TEST_F(Bmglib, AFailedWriteLeavesTheFileAsItWas) {
    const std::string path = "C:\\Stylara\\Temp\\isign.tif";
    writeTiff(path, signature(QImage::Format_Mono));
    BitmapHandle bitmap = _CreateBitmapFromFile(path.c_str(), nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(_SaveBitmapToFile(bitmap, "C:\\no such folder\\isign.tif", &options), 0);
    DeleteBitmap(bitmap);
    EXPECT_FALSE(read(path).isNull());
}
