#include "win/CodePage.h"

#include <gtest/gtest.h>

#include <string>

TEST(CodePage, WindowsNamesAndUtf8NamesMapBothWays)
{
    struct Row {
        const char* id;
        std::string ansi;
        std::string utf8;
    };
    const Row rows[] = {
        {"plain", "C:\\Stylara\\a.pdf", "C:\\Stylara\\a.pdf"},
        {"Latin-1 half", "Stylar\xe9 \xfc\xdf\xff", "Stylar\xc3\xa9 \xc3\xbc\xc3\x9f\xc3\xbf"},
        {"the table above 0x7F", "\x80\x8a\x99\x9f", "\xe2\x82\xac\xc5\xa0\xe2\x84\xa2\xc5\xb8"},
        {"unassigned bytes stay C1 controls", "\x81\x9d", "\xc2\x81\xc2\x9d"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(win::utf8FromAnsi(row.ansi), row.utf8) << row.id;
        EXPECT_EQ(win::ansiFromUtf8(row.utf8), row.ansi) << row.id;
    }
    // Every byte of the code page comes back as itself.
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(win::ansiFromUtf8(win::utf8FromAnsi(one)), one) << byte;
    }
}

TEST(CodePage, ALinuxNameTheCodePageCannotSpellGetsQuestionMarks)
{
    struct Row {
        const char* id;
        std::string utf8;
        std::string ansi;
    };
    const Row rows[] = {
        {"a letter the code page lacks", "\xe6\x97\xa5.pdf", "?.pdf"},
        {"beyond the basic plane", "\xf0\x9f\x98\x80", "?"},
        {"a byte that starts nothing", "a\xe9z", "a?z"},
        {"a sequence cut short", "a\xc3", "a?"},
        {"cut short before a letter", "\xe2\x82z", "??z"},
        {"an overlong slash", "\xc0\xaf", "??"},
        {"an overlong three-byte form", "\xe0\x80\xaf", "???"},
        {"a surrogate", "\xed\xa0\x80", "???"},
        {"past the last character", "\xf4\x90\x80\x80", "????"},
        {"a NUL stays", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(win::ansiFromUtf8(row.utf8), row.ansi) << row.id;

    EXPECT_EQ(win::ansiFromWide(L"B\u00fcro \u20ac \u65e5"), "B\xfcro \x80 ?");
    EXPECT_EQ(win::wideFromAnsi("B\xfcro \x80"), L"B\u00fcro \u20ac");
}
