#include "Bmglib.h"

#include "win/WinPath.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <cstdio>

namespace bmglib {
struct Bitmap {
    QImage image;
};
} // namespace bmglib

BitmapHandle _CreateBitmapFromFile(const char* fileName, void* /*reserved*/, int /*flags*/) {
    if (!fileName) return nullptr;
    QImageReader reader(QString::fromStdString(win::nativePath(fileName)));
    reader.setDecideFormatFromContent(true);
    if (reader.format() != "tiff") return nullptr;
    QImage image = reader.read();
    if (image.isNull()) return nullptr;
    return new bmglib::Bitmap{std::move(image)};
}

int _SaveBitmapToFile(BitmapHandle bitmap, const char* fileName, const void* options) {
    if (!bitmap || !fileName || bitmap->image.isNull()) return 0;
    BmgSaveOptions chosen;
    if (options) chosen = *static_cast<const BmgSaveOptions*>(options);

    const QString target = QString::fromStdString(win::nativePath(fileName));
    if (target.isEmpty()) return 0;
    const QString staged = target + ".bmg~";
    QFile::remove(staged);
    QImageWriter writer(staged, "tiff");
    writer.setCompression(chosen.compression ? 1 : 0);
    if (!writer.write(bitmap->image)) {
        QFile::remove(staged);
        return 0;
    }
    const QFileInfo before(target);
    if (chosen.compression && before.exists() && QFileInfo(staged).size() > before.size()) {
        QFile::remove(staged);
        return 1;
    }
    if (std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(staged);
        return 0;
    }
    return 1;
}

void DeleteBitmap(BitmapHandle bitmap) {
    delete bitmap;
}
