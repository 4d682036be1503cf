#pragma once

#include "win/TimeZone.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writing the pen strokes into the host's PDF at its "%SRP" control line.

// The strokes as the pad gives them out: points in the pad's logical coordinates (2000 by 700, y
// growing downwards), one list of points per stroke, in the order they were drawn.
struct SigPoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
};
using SigStroke = std::vector<SigPoint>;
using SigStrokes = std::vector<SigStroke>;

class TSigPlus;
// The strokes that the pad control holds, read out point by point.
SigStrokes ReadPadStrokes(const TSigPlus& pad);

// The stroke path rule: one PDF path line per kept point, "m" opening each stroke and "l" going on,
// placed by the signature box X and Y. A point equal to the point read before it is skipped, across
// strokes too. The same lines go into the PDF and into the host's path file.
std::string StrokePathLines(int boxX, int boxY, const SigStrokes& strokes);
// Writes those lines to an open file; false when the file refused any of them.
bool WriteStrokePath(std::FILE* out, int boxX, int boxY, const SigStrokes& strokes);

// 1 when the PDF holds a control line, 0 when not, -1 when it cannot be opened (a message was shown).
int HasControlLine(const std::string& path);

// Writes "signed.pdf" in the Temp folder from "unsigned.pdf" with the strokes drawn at the control
// line; sets SignedPdfPath. True when the file was written through to its end; every failure shows
// its message.
bool SignPdfFile(const SigStrokes& strokes);

// The modification date of a signed PDF without its "D:" prefix, such as 20110912083015-04'00': from
// the clock and the time zone, or from a date-and-time text as the class library writes it and a zone
// record.
std::string PdfDateString();
std::string PdfDateString(const std::string& dateTimeText, const win::TIME_ZONE_INFORMATION& zone);
