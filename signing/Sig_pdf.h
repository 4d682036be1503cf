#pragma once

#include "StrokePath.h"
#include "win/TimeZone.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writing the pen strokes into the host's PDF at its "%SRP" control line.

class TSigPlus;
// The strokes that the pad control holds, read out point by point.
SigStrokes ReadPadStrokes(const TSigPlus& pad);

// Writes the stroke path lines to an open file; false when the file refused any of them.
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
