#include "Sig_pdf.h"

#include "sigplus/SigPlus.h"

bool WriteStrokePath(std::FILE* out, int boxX, int boxY, const SigStrokes& strokes) {
    const std::string text = StrokePathLines(boxX, boxY, strokes);
    return out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

SigStrokes ReadPadStrokes(const TSigPlus& pad) {
    SigStrokes strokes;
    const short count = pad.GetNumberOfStrokes();
    for (short s = 0; s < count; ++s) {
        SigStroke& stroke = strokes.emplace_back();
        for (short p = 0; p < pad.GetNumPointsForStroke(s); ++p)
            stroke.push_back({pad.GetPointXValue(s, p), pad.GetPointYValue(s, p)});
    }
    return strokes;
}
