#pragma once

// What the WMF and EMF players share: the record table they dispatch by, and the point readers.

#include "MetafileDc.h"

#include <unordered_map>

namespace metafile {

// A player's state while it runs through the records of one file.
struct Player {
    const QByteArray& data;
    Bytes in;
    Dc& dc;
    Objects objects;
    bool ended = false;
};

using Handler = void (*)(Player&, const Record&);
using Handlers = std::unordered_map<std::uint32_t, Handler>;

// Count points of two 16-bit or two 32-bit coordinates from at, no further than the record's end.
QPolygonF points(const Record& r, qsizetype at, qsizetype count, bool small);

void playWmf(const QByteArray& data, Dc& dc, std::uint32_t objectCount);
void playEmf(const QByteArray& data, Dc& dc, std::uint32_t objectCount);

} // namespace metafile
