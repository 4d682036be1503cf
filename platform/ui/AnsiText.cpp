#include "AnsiText.h"

#include "win/CodePage.h"

namespace ui {

QString fromAnsi(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes)
        *out++ = QChar(win::wideOfAnsi(static_cast<unsigned char>(byte)));
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
        bytes += win::ansiOfWide(c.unicode());
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
