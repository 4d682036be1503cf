// Feeds the animated-cursor reader a file's bytes: any input either loads or raises the read error.
#include "components/aniicon.h"
#include "win/LibraryError.h"

#include <QBuffer>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    TAniIconFile file;
    try {
        file.LoadFromStream(&stream);
    } catch (const win::LibraryError&) {
    }
    return 0;
}
