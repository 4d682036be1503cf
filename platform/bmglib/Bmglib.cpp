#include "Bmglib.h"

#include "win/Files.h"
#include "win/WinPath.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(chosen.compression ? 1 : 0);
    if (!writer.write(bitmap->image))
        return 0;
    const QFileInfo before(target);
    if (chosen.compression && before.exists() && bytes.size() > before.size())
        return 1;
    // Staged beside the target and put in its place, so a failed write leaves the image as it was.
    win::StagedFile staged(fileName);
    return staged.write(bytes.constData(), static_cast<size_t>(bytes.size())) && staged.commit(true) ? 1 : 0;
}

void DeleteBitmap(BitmapHandle bitmap) {
    delete bitmap;
}
