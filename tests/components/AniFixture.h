#pragma once

#include <QByteArray>
#include <QColor>

#include <cstdint>
#include <optional>
#include <vector>

// Small animated-cursor files built by the tests.
namespace ani {

inline void put16(QByteArray& out, std::uint32_t value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

inline void put32(QByteArray& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

inline QByteArray chunk(const char* id, const QByteArray& data) {
    QByteArray out(id, 4);
    put32(out, static_cast<std::uint32_t>(data.size()));
    out.append(data);
    if (data.size() % 2) out.append(char(0));
    return out;
}

// A 32 x 32 icon file of one colour: 16 colours make the 766-byte resource, 2 colours a smaller one.
// A cursor (type 2) carries its hot spot in the directory entry.
inline QByteArray iconFile(QColor colour, int bitCount = 4, bool cursor = false, int hotX = 0, int hotY = 0) {
    const int colours = 1 << bitCount;
    const int rowBytes = 32 * bitCount / 8;
    QByteArray dib;
    put32(dib, 40);
    put32(dib, 32);
    put32(dib, 64);
    put16(dib, 1);
    put16(dib, bitCount);
    for (int i = 0; i < 6; ++i)
        put32(dib, 0);
    for (int i = 0; i < colours; ++i) {
        const QColor entry = i == 1 ? colour : QColor(Qt::black);
        dib.append(char(entry.blue()));
        dib.append(char(entry.green()));
        dib.append(char(entry.red()));
        dib.append(char(0));
    }
    const char everyPixelIndex1 = bitCount == 4 ? char(0x11) : char(0xFF);
    dib.append(QByteArray(32 * rowBytes, everyPixelIndex1));
    dib.append(QByteArray(32 * 4, char(0))); // the mask: every pixel shows

    QByteArray file;
    put16(file, 0);
    put16(file, cursor ? 2 : 1);
    put16(file, 1);
    file.append(char(32));
    file.append(char(32));
    file.append(char(bitCount == 4 ? 16 : 2));
    file.append(char(0));
    put16(file, cursor ? hotX : 1);
    put16(file, cursor ? hotY : bitCount);
    put32(file, static_cast<std::uint32_t>(dib.size()));
    put32(file, 22);
    file.append(dib);
    return file;
}

struct File {
    bool infoList = false;               // a leading list with title and author
    std::optional<std::uint32_t> frames; // the header's frame count; the number of icons when not given
    std::uint32_t defaultRate = 10;
    std::vector<std::int32_t> rates;    // a "rate" chunk when not empty
    std::vector<std::int32_t> sequence; // a "seq " chunk when not empty
    std::vector<QByteArray> icons;      // icon files, one "icon" chunk each
};

inline QByteArray table(const std::vector<std::int32_t>& entries) {
    QByteArray out;
    for (std::int32_t entry : entries)
        put32(out, static_cast<std::uint32_t>(entry));
    return out;
}

inline QByteArray build(const File& file) {
    QByteArray body("ACON");
    if (file.infoList)
        body += chunk("LIST", QByteArray("INFO") + chunk("INAM", "Walking pen") + chunk("IART", "Norvane"));
    QByteArray header;
    const std::uint32_t frames = file.frames.value_or(static_cast<std::uint32_t>(file.icons.size()));
    for (std::uint32_t field : {36u, frames, frames, 0u, 0u, 0u, 0u, file.defaultRate, 1u})
        put32(header, field);
    body += chunk("anih", header);
    if (!file.rates.empty()) body += chunk("rate", table(file.rates));
    if (!file.sequence.empty()) body += chunk("seq ", table(file.sequence));
    QByteArray list("fram");
    for (const QByteArray& icon : file.icons)
        list += chunk("icon", icon);
    body += chunk("LIST", list);
    return chunk("RIFF", body);
}

} // namespace ani
