#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The strokes as the pad gives them out: points in the pad's logical coordinates (2000 by 700, y
// growing downwards), one list of points per stroke, in the order they were drawn.
struct SigPoint {
    std::int16_t x = 0;
    std::int16_t y = 0;
};
using SigStroke = std::vector<SigPoint>;
using SigStrokes = std::vector<SigStroke>;

// The stroke path rule: one PDF path line per kept point, "m" opening each stroke and "l" going on,
// placed by the signature box X and Y. A point equal to the point read before it is skipped, across
// strokes too. The same lines go into the PDF and into the host's path file.
std::string StrokePathLines(int boxX, int boxY, const SigStrokes& strokes);
