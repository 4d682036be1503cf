#pragma once

// What the WMF and EMF players share: the record table they dispatch by, and the point readers.

#include "MetafileDc.h"

#include <initializer_list>
#include <unordered_map>

namespace metafile {

// A player's state while it runs through the records of one file.
struct Player {
    const QByteArray& data;
    Bytes in;
    Dc& dc;
    Objects objects;
    bool ended = false;
    std::uint32_t lastType = 0;
};

using Handler = void (*)(Player&, const Record&);
using Handlers = std::unordered_map<std::uint32_t, Handler>;

// The table of the record families given, each filling in its own records.
Handlers handlerTable(std::initializer_list<void (*)(Handlers&)> families);

// Runs the record's handler, if the table has one. A mask that the last record held for its image is
// drawn alone first, unless this record is of the same kind and so may be that image.
void dispatch(Player& pl, const Handlers& table, std::uint32_t type, const Record& r);

// Count points of two 16-bit or two 32-bit coordinates from at, no further than the record's end.
QPolygonF points(const Record& r, qsizetype at, qsizetype count, bool small);

void playWmf(const QByteArray& data, Dc& dc, std::uint32_t objectCount);
void playEmf(const QByteArray& data, Dc& dc, std::uint32_t objectCount);

} // namespace metafile
