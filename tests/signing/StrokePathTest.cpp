#include "signing/Sig_pdf.h"

#include <gtest/gtest.h>

TEST(StrokePath, LinesForTheKeptPoints) {
    struct Row {
        const char* id;
        int boxX;
        int boxY;
        SigStrokes strokes;
        std::string expected;
    };
    const Row rows[] = {
        {"no strokes", 100, 200, {}, ""},
        {"the documented point", 100, 200, {{{1000, 350}}}, "219.928 226.275 m \n"},
        {"origin of the pad", 100, 200, {{{0, 0}}}, "75.000 277.000 m \n"},
        {"one point opens and ends its stroke",
         100,
         200,
         {{{69, 69}}, {{138, 0}}},
         "85.000 267.000 m \n95.000 277.000 m \n"},
        {"repeated point skipped", 100, 200, {{{0, 0}, {0, 0}, {69, 69}}}, "75.000 277.000 m \n85.000 267.000 l \n"},
        {"stroke starting on the last point opens with its second point",
         100,
         200,
         {{{0, 0}, {69, 69}}, {{69, 69}, {138, 0}, {207, 0}}},
         "75.000 277.000 m \n85.000 267.000 l \n95.000 277.000 m \n105.000 277.000 l \n"},
        {"stroke of the previous point only writes nothing",
         100,
         200,
         {{{0, 0}}, {{0, 0}, {0, 0}}, {{69, 69}}},
         "75.000 277.000 m \n85.000 267.000 m \n"},
        {"numbers take six characters at least", 30, 0, {{{0, 0}, {0, 690}}}, " 5.000 77.000 m \n 5.000 -23.000 l \n"},
        {"negative figures", 0, 0, {{{0, 0}}}, "-25.000 77.000 m \n"},
        // In double precision this point gives 513.986.
        {"single precision", 250, 200, {{{1994, 0}}}, "513.985 277.000 m \n"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(StrokePathLines(row.boxX, row.boxY, row.strokes), row.expected) << row.id;
}
