#include "StrokePath.h"

#include <cstdio>

namespace {

// Every step is single precision with the divisor 6.9f, as in documents signed before: in double
// precision the last printed digit would move for some points.
constexpr float PadUnitsPerPoint = 6.9f;

void appendLine(std::string& text, float px, float py, char op)
{
    char line[64];
    const int length =
        std::snprintf(line, sizeof line, "%6.3f %6.3f %c \n", static_cast<double>(px), static_cast<double>(py), op);
    text.append(line, static_cast<std::size_t>(length));
}

} // namespace

std::string StrokePathLines(int boxX, int boxY, const SigStrokes& strokes)
{
    std::string text;
    // Not reset between strokes: a stroke that begins where the last one ended opens with its
    // second point.
    int previousX = -999;
    int previousY = -999;
    for (const SigStroke& stroke : strokes) {
        bool first = true;
        for (const SigPoint& point : stroke) {
            if (point.x == previousX && point.y == previousY)
                continue;
            previousX = point.x;
            previousY = point.y;
            const float q = static_cast<float>(point.x) / PadUnitsPerPoint;
            const float px = static_cast<float>(boxX - 25) + q;
            const float r = static_cast<float>(point.y) / PadUnitsPerPoint;
            const float t = 144.0f - r;
            const float py = static_cast<float>(boxY - 67) + t;
            appendLine(text, px, py, first ? 'm' : 'l');
            first = false;
        }
    }
    return text;
}
