#include "CodePage.h"

namespace win {

namespace {

// 0x80 to 0x9F of Windows-1252; the rest of the code page is Latin-1. Its five unassigned bytes map to
// the C1 controls of the same value, as the platform's own conversion does.
constexpr char16_t upperControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character that a UTF-8 sequence at `at` spells, and its length; 0 for a sequence that is not
// UTF-8 (cut short, overlong, a surrogate or past U+10FFFF).
char32_t takeUtf8(std::string_view bytes, size_t at, size_t& length)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    length = 1;
    if (lead < 0x80)
        return lead;
    size_t count;
    char32_t c;
    if (lead >= 0xC2 && lead < 0xE0) {
        count = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        count = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        count = 4;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (at + count > bytes.size())
        return 0;
    for (size_t i = 1; i < count; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < smallest[count] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return 0;
    length = count;
    return c;
}

} // namespace

char16_t wideOfAnsi(unsigned char byte) { return byte >= 0x80 && byte < 0xA0 ? upperControls[byte - 0x80] : byte; }

char ansiOfWide(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<char>(character);
    for (int i = 0; i < 32; ++i)
        if (upperControls[i] == character)
            return static_cast<char>(0x80 + i);
    return '?';
}

std::wstring wideFromAnsi(std::string_view bytes)
{
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text += static_cast<wchar_t>(wideOfAnsi(static_cast<unsigned char>(byte)));
    return text;
}

std::string ansiFromWide(std::wstring_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t c : text)
        bytes += ansiOfWide(static_cast<char32_t>(c));
    return bytes;
}

std::string utf8FromAnsi(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes)
        appendUtf8(out, wideOfAnsi(static_cast<unsigned char>(byte)));
    return out;
}

std::string ansiFromUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t at = 0; at < bytes.size();) {
        size_t length;
        const char32_t c = takeUtf8(bytes, at, length);
        out += c == 0 && bytes[at] != '\0' ? '?' : ansiOfWide(c);
        at += length;
    }
    return out;
}

} // namespace win
