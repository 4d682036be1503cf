#pragma once

#include <QByteArray>

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
    bool control = true; // a graphic control extension stands in front of the image
};

inline void put16(QByteArray& out, std::uint16_t value) {
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

// LZW data that every decoder reads: a clear code after every second pixel keeps the codes 3 bits wide.
inline QByteArray solidImageData(int pixels, std::uint8_t colour) {
    std::vector<int> codes{4};
    for (int i = 0; i < pixels; ++i) {
        codes.push_back(colour);
        if (i % 2 == 1 && i + 1 < pixels) codes.push_back(4);
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
    if (count > 0) packed.append(char(bits & 0xFF));
    QByteArray out(1, char(2));
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    return out;
}

// Header, logical screen and colour table: the bytes before the first frame.
inline QByteArray prefix(const char* version, std::uint16_t width, std::uint16_t height) {
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

inline QByteArray frame(const Frame& f) {
    QByteArray out;
    if (f.control) {
        out.append("\x21\xF9\x04", 3);
        out.append(char((f.disposal << 2) | (f.transparent ? 1 : 0)));
        put16(out, f.delay);
        out.append(char(0));
        out.append(char(0));
    }
    out.append(char(0x2C));
    put16(out, f.left);
    put16(out, f.top);
    put16(out, f.width);
    put16(out, f.height);
    out.append(char(0));
    out.append(solidImageData(f.width * f.height, f.colour));
    return out;
}

inline QByteArray build(const char* version, std::uint16_t width, std::uint16_t height,
                        const std::vector<Frame>& frames) {
    QByteArray out = prefix(version, width, height);
    for (const Frame& f : frames)
        out.append(frame(f));
    out.append(char(0x3B));
    return out;
}

} // namespace gif
