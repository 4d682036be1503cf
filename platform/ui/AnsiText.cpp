#include "AnsiText.h"

namespace ui {

namespace {

// 0x80 to 0x9F of Windows-1252; the rest of the code page is Latin-1. Its five unassigned bytes map to
// the C1 controls of the same value, as the platform's own conversion does.
constexpr char16_t upperControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t wideOf(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? upperControls[byte - 0x80] : byte; }

char ansiOf(char16_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<char>(character);
    for (int i = 0; i < 32; ++i)
        if (upperControls[i] == character)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QString fromAnsi(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(wideOf(static_cast<unsigned char>(byte)));
    return text;
}

std::string toAnsi(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character beyond the basic plane is one character, and one "?", however it is stored.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bytes += ansiOf(c.unicode());
    }
    return bytes;
}

QString documentFromAnsi(std::string_view bytes)
{
    QString text = fromAnsi(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

} // namespace ui
