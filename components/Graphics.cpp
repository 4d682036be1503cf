#include "Graphics.h"

#include <QIODevice>

TColor ColorToRGB(TColor color) {
    if ((color & 0xFF000000) != 0xFF000000) return color;
    switch (color & 0xFF) {
    case 5: // window
        return 0xFFFFFF;
    case 8: // window text
        return 0x000000;
    case 15: // button face
        return 0xF0F0F0;
    case 16: // button shadow
        return 0xA0A0A0;
    case 20: // button highlight
        return 0xFFFFFF;
    default:
        return 0x000000;
    }
}

QColor toQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

std::string formatVersion(std::uint32_t versionNr) {
    return std::to_string(versionNr >> 24) + "." + std::to_string((versionNr >> 16) & 0xFF) + "." +
           std::to_string((versionNr >> 8) & 0xFF) + "." + std::to_string(versionNr & 0xFF);
}

QByteArray readWholeStream(QIODevice& stream) {
    if (!stream.isSequential()) stream.seek(0);
    return stream.readAll();
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = (c > 0 ? c : -c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const long long magnitude = ((product < 0 ? -product : product) + half) / (c > 0 ? c : -c);
    return static_cast<int>(negative ? -magnitude : magnitude);
}
