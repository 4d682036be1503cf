#include "TestSupport.h"
#include "win/LibraryError.h"
#include "win/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>


using testing_support::TempInstall;

TEST(Profile, ReadsWithWindowsRules)
{
    TempInstall install;
    install.write("C:\\p.ini", "; comment\r\n[Sec]\r\n  Key = value with blanks  \r\nQuoted=\"  q  \"\r\n"
                               "Empty=\r\n[other]\r\nKey=other\r\n");
    const win::IniFile ini("C:\\p.ini");
    struct Row {
        const char* id;
        const char* section;
        const char* key;
        std::string expected;
    };
    const Row rows[] = {
        {"blanks trimmed", "Sec", "Key", "value with blanks"},
        {"section and key ignore case", "SEC", "kEY", "value with blanks"},
        {"quotes removed", "sec", "Quoted", "  q  "},
        {"empty value is not the default", "Sec", "Empty", ""},
        {"missing key gives default", "Sec", "Nope", "dflt"},
        {"missing section gives default", "None", "Key", "dflt"},
        {"keys are per section", "Other", "key", "other"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ini.ReadString(row.section, row.key, "dflt"), row.expected) << row.id;
    EXPECT_EQ(win::IniFile("C:\\missing.ini").ReadString("Sec", "Key", "dflt"), "dflt");
}

TEST(Profile, BufferCutsValue)
{
    TempInstall install;
    install.write("C:\\p.ini", "[s]\nk=abcdef\n");
    char buffer[4];
    EXPECT_EQ(win::GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, "C:\\p.ini"), 3u);
    EXPECT_STREQ(buffer, "abc");
}

TEST(Profile, IntegerRulesOfTheClassLibrary)
{
    struct Row {
        const char* text;
        bool ok;
        int value;
    };
    const Row rows[] = {
        {"12", true, 12},     {"-7", true, -7},        {"0x0C", true, 12},  {"0X1f", true, 31},
        {"$10", true, 16},    {"  5", true, 5},        {"5 ", false, 0},    {"abc", false, 0},
        {"", false, 0},       {"0x", false, 0},        {"1.5", false, 0},   {"2147483647", true, 2147483647},
        {"2147483648", false, 0}, {"0xFFFFFFFF", true, -1},
    };
    for (const Row& row : rows) {
        int value = 0;
        EXPECT_EQ(win::parseInteger(row.text, value), row.ok) << row.text;
        if (row.ok) {
            EXPECT_EQ(value, row.value) << row.text;
        }
    }
}

TEST(Profile, WriteCreatesFileSectionAndKeyAndReplacesInPlace)
{
    TempInstall install;
    win::IniFile ini("C:\\w.ini");
    ini.WriteInteger("A", "one", 1);
    ini.WriteBool("B", "flag", true);
    ini.WriteString("a", "TWO", "2");
    ini.WriteInteger("A", "ONE", 11);
    EXPECT_EQ(install.read("C:\\w.ini"), "[A]\r\none=11\r\nTWO=2\r\n[B]\r\nflag=1\r\n");
    EXPECT_EQ(ini.ReadInteger("a", "one", 0), 11);
    EXPECT_TRUE(ini.ReadBool("b", "FLAG", false));
}

TEST(Profile, RefusedWriteRaisesAndKeepsTheOldFile)
{
    TempInstall install;
    install.write("C:\\w.ini", "[A]\r\nk=old\r\n");
    win::IniFile ini("C:\\w.ini");
    try {
        // The disk refuses the larger file, as a full disk would.
        testing_support::FileSizeLimit limit(12);
        ini.WriteString("A", "k", "a much longer value than fits");
        ADD_FAILURE() << "no error raised";
    } catch (const win::LibraryError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to C:\\w.ini");
    }
    EXPECT_EQ(install.read("C:\\w.ini"), "[A]\r\nk=old\r\n");
    EXPECT_THROW(win::IniFile("C:\\NoFolder\\x.ini").WriteString("A", "k", "v"), win::LibraryError);
}

TEST(Profile, ReadOnlyFileIsNotWrittenAndWrittenFilesKeepTheirMode)
{
    TempInstall install;
    namespace fs = std::filesystem;
    struct Row {
        const char* id;
        fs::perms mode;
        bool written;
    };
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const Row rows[] = {
        {"read-only", readOnly, false},
        {"owner only", fs::perms::owner_read | fs::perms::owner_write, true},
    };
    for (const Row& row : rows) {
        install.write("C:\\w.ini", "[A]\r\nk=old\r\n");
        const fs::path native = install.native("C:\\w.ini");
        fs::permissions(native, row.mode);
        win::IniFile ini("C:\\w.ini");
        bool raised = false;
        try {
            ini.WriteString("A", "k", "new");
        } catch (const win::LibraryError& error) {
            raised = true;
            EXPECT_EQ(std::string(error.what()), "Unable to write to C:\\w.ini") << row.id;
        }
        EXPECT_EQ(raised, !row.written) << row.id;
        EXPECT_EQ(install.read("C:\\w.ini"), row.written ? "[A]\r\nk=new\r\n" : "[A]\r\nk=old\r\n") << row.id;
        EXPECT_EQ(fs::status(native).permissions(), row.mode) << row.id;
        EXPECT_FALSE(install.exists("C:\\w.ini.new")) << row.id;
        fs::permissions(native, fs::perms::owner_all);
    }
}
