#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <vector>

// Small GIF files built by the tests: a four-colour global table (0 black, 1 red, 2 green, 3 blue)
// and frames of one colour each.
namespace gif {

struct Frame {
    std::uint16_t left = 0, top = 0, width = 1, height = 1;
    std::uint8_t colour = 1;
    std::uint16_t delay = 0; // hundredths of a second
    std::uint8_t disposal = 0;
    bool transparent = false;
    bool control = true;  // a graphic control extension stands in front of the image
    QByteArray between{}; // extension blocks written between the control extension and the image
};

inline void put16(QByteArray& out, std::uint16_t value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

// The bytes in sub-blocks of at most 255 bytes, ended by an empty one, as a GIF holds image and
// extension data.
inline QByteArray subBlocks(const QByteArray& bytes)
{
    QByteArray out;
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const QByteArray block = bytes.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    return out;
}

// The image data as a GIF holds it: the minimum code size, then the packed codes in sub-blocks.
inline QByteArray imageDataBlocks(int minCodeSize, const QByteArray& packed)
{
    return QByteArray(1, char(minCodeSize)) + subBlocks(packed);
}

// LZW data that every decoder reads: a clear code after every second pixel keeps the codes 3 bits wide.
inline QByteArray solidImageData(int pixels, std::uint8_t colour)
{
    std::vector<int> codes{4};
    for (int i = 0; i < pixels; ++i) {
        codes.push_back(colour);
        if (i % 2 == 1 && i + 1 < pixels)
            codes.push_back(4);
    }
    codes.push_back(5);
    QByteArray packed;
    std::uint32_t bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= std::uint32_t(code) << count;
        count += 3;
        for (; count >= 8; count -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
    }
    if (count > 0)
        packed.append(char(bits & 0xFF));
    return imageDataBlocks(2, packed);
}

// Real LZW data of the pixels (colour indexes below 4), in 255-byte sub-blocks: the size of a big
// picture's file stays that of a real GIF, and its decoding costs what a real one costs.
inline QByteArray lzwImageData(const std::vector<std::uint8_t>& pixels)
{
    constexpr int MinCodeSize = 2, Alphabet = 1 << MinCodeSize, Clear = Alphabet, End = Clear + 1, MaxCodes = 4096;
    std::vector<std::int16_t> next(MaxCodes * Alphabet, -1); // (prefix code, pixel) -> code
    QByteArray packed;
    std::uint32_t bits = 0;
    int count = 0, width = MinCodeSize + 1, free = End + 1;
    const auto write = [&](int code) {
        bits |= std::uint32_t(code) << count;
        for (count += width; count >= 8; count -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
    };
    write(Clear);
    int prefix = pixels.empty() ? -1 : pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int pixel = pixels[i];
        const int known = next[size_t(prefix) * Alphabet + size_t(pixel)];
        if (known >= 0) {
            prefix = known;
            continue;
        }
        write(prefix);
        if (free < MaxCodes - 1) {
            next[size_t(prefix) * Alphabet + size_t(pixel)] = std::int16_t(free++);
            // The reader widens its codes once the table reaches the width's end.
            if (free > (1 << width) && width < 12)
                ++width;
        } else {
            write(Clear);
            std::fill(next.begin(), next.end(), -1);
            width = MinCodeSize + 1;
            free = End + 1;
        }
        prefix = pixel;
    }
    if (prefix >= 0)
        write(prefix);
    write(End);
    if (count > 0)
        packed.append(char(bits & 0xFF));
    return imageDataBlocks(MinCodeSize, packed);
}

// Header, logical screen and colour table: the bytes before the first frame.
inline QByteArray prefix(const char* version, std::uint16_t width, std::uint16_t height)
{
    QByteArray out(version);
    put16(out, width);
    put16(out, height);
    out.append(char(0x91)); // global table of 4 colours
    out.append(char(0));
    out.append(char(0));
    const unsigned char table[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    out.append(reinterpret_cast<const char*>(table), 12);
    return out;
}

// An extension block of that label whose data is the text, in sub-blocks of at most 255 bytes.
inline QByteArray extension(std::uint8_t label, const QByteArray& text)
{
    QByteArray out("\x21", 1);
    out.append(char(label));
    return out + subBlocks(text);
}

inline QByteArray comment(const QByteArray& text) { return extension(0xFE, text); }

// A frame with image data of its own making (the frame's colour is then not used).
inline QByteArray frame(const Frame& f, const QByteArray& imageData)
{
    QByteArray out;
    if (f.control) {
        out.append("\x21\xF9\x04", 3);
        out.append(char((f.disposal << 2) | (f.transparent ? 1 : 0)));
        put16(out, f.delay);
        out.append(char(0));
        out.append(char(0));
    }
    out.append(f.between);
    out.append(char(0x2C));
    put16(out, f.left);
    put16(out, f.top);
    put16(out, f.width);
    put16(out, f.height);
    out.append(char(0));
    out.append(imageData);
    return out;
}

inline QByteArray frame(const Frame& f) { return frame(f, solidImageData(f.width * f.height, f.colour)); }

inline QByteArray build(const char* version, std::uint16_t width, std::uint16_t height,
                        const std::vector<Frame>& frames)
{
    QByteArray out = prefix(version, width, height);
    for (const Frame& f : frames)
        out.append(frame(f));
    out.append(char(0x3B));
    return out;
}

} // namespace gif
