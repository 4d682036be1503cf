// The data blocks inside metafile records: device-independent bitmaps, regions, and the letters of the
// Symbol font.

#include "MetafileDc.h"

#include <QRegion>

#include <algorithm>

namespace metafile {

namespace {

void put32(QByteArray& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

bool inside(const QByteArray& data, qsizetype at, qsizetype size)
{
    return at >= 0 && size >= 0 && at <= data.size() && size <= data.size() - at;
}

} // namespace

QImage decodeDib(const QByteArray& data, qsizetype infoAt, qsizetype infoSize, qsizetype bitsAt, qsizetype bitsSize)
{
    const Bytes in{data};
    if (infoSize < 12 || !inside(data, infoAt, infoSize) || !inside(data, bitsAt, bitsSize))
        return {};
    const QByteArray bits = data.mid(bitsAt, bitsSize);
    // BI_JPEG and BI_PNG hold a whole image file as their bits.
    if (infoSize >= 40 && (in.u32(infoAt + 16) == 4 || in.u32(infoAt + 16) == 5))
        return QImage::fromData(bits);
    // As a BMP file, for Qt's reader, which bounds what it allocates.
    QByteArray file("BM");
    put32(file, std::uint32_t(14 + infoSize + bitsSize));
    put32(file, 0);
    put32(file, std::uint32_t(14 + infoSize));
    file += data.mid(infoAt, infoSize);
    file += bits;
    return QImage::fromData(file, "BMP");
}

QImage decodePackedDib(const QByteArray& data, qsizetype at, qsizetype end)
{
    const Bytes in{data};
    end = std::min(end, data.size());
    const qsizetype header = in.u32(at);
    qsizetype colours = 0, entry = 4;
    std::uint32_t bitCount = 0;
    if (header == 12) {
        bitCount = in.u16(at + 10);
        entry = 3;
    } else if (header >= 40) {
        bitCount = in.u16(at + 14);
        colours = in.u32(at + 32);
        const std::uint32_t compression = in.u32(at + 16);
        // The colour masks follow the plain header.
        if (header == 40 && compression == 3)
            colours += 3;
        if (header == 40 && compression == 6)
            colours += 4;
    } else {
        return {};
    }
    if (colours == 0 && bitCount <= 8)
        colours = qsizetype(1) << bitCount;
    if (colours > 65536)
        return {};
    const qsizetype info = header + colours * entry;
    if (at < 0 || info > end - at)
        return {};
    return decodeDib(data, at, info, at + info, end - at - info);
}

QRectF dibRows(const Bytes& in, qsizetype header, const QImage& image, QRectF source)
{
    if (in.u32(header) >= 40 && in.s32(header + 8) > 0)
        source.moveTop(image.height() - source.top() - source.height());
    return source;
}

std::optional<QPainterPath> regionData(const Bytes& in, qsizetype at, qsizetype end)
{
    end = std::min(end, in.data.size());
    if (at < 0 || end - at < 32 || in.u32(at + 4) != 1)
        return std::nullopt; // RDH_RECTANGLES
    const qsizetype count = std::min<qsizetype>(in.u32(at + 8), (end - at - 32) / 16);
    // Far beyond any drawing, and small enough that a rectangle's sides stay integers.
    const auto side = [](int value) { return std::clamp(value, -(1 << 28), 1 << 28); };
    QRegion region;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype r = at + 32 + 16 * i;
        const int left = side(in.s32(r)), top = side(in.s32(r + 4));
        const int right = side(in.s32(r + 8)), bottom = side(in.s32(r + 12));
        if (right > left && bottom > top)
            region += QRect(left, top, right - left, bottom - top);
    }
    QPainterPath area;
    area.addRegion(region);
    return area;
}

QChar symbolLetter(QChar code)
{
    char16_t c = code.unicode();
    // Symbol fonts show their letters at the private codes U+F020 to U+F0FF too.
    if (c >= 0xF020 && c <= 0xF0FF)
        c -= 0xF000;
    static constexpr char16_t upper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                                           0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                                           0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
    static constexpr char16_t lower[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9,
                                           0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                                           0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
    if (c >= 'A' && c <= 'Z')
        return QChar(upper[c - 'A']);
    if (c >= 'a' && c <= 'z')
        return QChar(lower[c - 'a']);
    struct Sign {
        char16_t code, letter;
    };
    static constexpr Sign signs[] = {
        {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245}, {0x5C, 0x2234},
        {0x5E, 0x22A5}, {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA5, 0x221E}, {0xAC, 0x2190}, {0xAD, 0x2191}, {0xAE, 0x2192},
        {0xAF, 0x2193}, {0xB0, 0x00B0}, {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265}, {0xB4, 0x00D7}, {0xB5, 0x221D},
        {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261}, {0xBB, 0x2248}, {0xC6, 0x2205},
        {0xC7, 0x2229}, {0xC8, 0x222A}, {0xCE, 0x2208}, {0xD1, 0x2207}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5},
        {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xE5, 0x2211}, {0xF2, 0x222B}};
    for (const Sign& sign : signs)
        if (sign.code == c)
            return QChar(sign.letter);
    return QChar(c);
}

} // namespace metafile
