#include "TestSupport.h"
#include "win/Files.h"
#include "win/WinPath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using testing_support::TempInstall;

TEST(WinPath, MapsDrivesAndSlashesLikeWine)
{
    TempInstall install;
    const std::string root = win::drivesRoot();
    struct Row {
        const char* id;
        const char* windows;
        std::string native;
    };
    const Row rows[] = {
        {"drive folder", "C:\\Stylara\\Temp", root + "/c/Stylara/Temp"},
        {"capital drive lowered", "X:\\Docs\\a.pdf", root + "/x/Docs/a.pdf"},
        {"drive root", "D:\\", root + "/d/"},
        {"bare drive", "D:", root + "/d/"},
        {"drive-relative", "E:file.txt", root + "/e/file.txt"},
        {"relative stays relative", "Temp\\x.txt", "Temp/x.txt"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(win::nativePath(row.windows), row.native) << row.id;
}

TEST(WinPath, DirectoryPartEndsAtLastBackslashOrColon)
{
    EXPECT_EQ(win::directoryPart("C:\\Docs\\Inv\\a.pdf"), "C:\\Docs\\Inv\\");
    EXPECT_EQ(win::directoryPart("C:a.pdf"), "C:");
    EXPECT_EQ(win::directoryPart("a.pdf"), "");
}

TEST(Files, OperationsTakeWindowsPaths)
{
    TempInstall install;
    install.write("C:\\Stylara\\a.txt", "alpha");
    EXPECT_TRUE(win::fileExists("C:\\Stylara\\a.txt"));
    EXPECT_FALSE(win::fileExists("C:\\Stylara")) << "a folder is not a file";
    EXPECT_TRUE(win::directoryExists("C:\\Stylara"));

    EXPECT_TRUE(win::CopyFileA("C:\\Stylara\\a.txt", "C:\\Stylara\\b.txt", 1));
    EXPECT_EQ(install.read("C:\\Stylara\\b.txt"), "alpha");
    install.write("C:\\Stylara\\a.txt", "beta");
    EXPECT_FALSE(win::CopyFileA("C:\\Stylara\\a.txt", "C:\\Stylara\\b.txt", 1)) << "fail if exists";
    EXPECT_EQ(install.read("C:\\Stylara\\b.txt"), "alpha");
    EXPECT_TRUE(win::CopyFileA("C:\\Stylara\\a.txt", "C:\\Stylara\\b.txt", 0)) << "replace";
    EXPECT_EQ(install.read("C:\\Stylara\\b.txt"), "beta");
    EXPECT_FALSE(win::CopyFileA("C:\\Stylara\\missing.txt", "C:\\Stylara\\c.txt", 0));
    EXPECT_FALSE(win::CopyFileA("C:\\Stylara\\a.txt", "C:\\NoSuchFolder\\c.txt", 0));
    EXPECT_FALSE(install.exists("C:\\NoSuchFolder"));

    EXPECT_TRUE(win::forceDirectories("C:\\One\\Two\\Three\\"));
    EXPECT_TRUE(win::directoryExists("C:\\One\\Two\\Three"));

    EXPECT_FALSE(win::deleteFile("C:\\One")) << "a folder is not deleted as a file";
    EXPECT_TRUE(win::deleteFile("C:\\Stylara\\b.txt"));
    EXPECT_FALSE(win::deleteFile("C:\\Stylara\\b.txt"));
}

TEST(Files, ListingStartsWithDotEntries)
{
    TempInstall install;
    install.write("C:\\List\\one", "1");
    install.write("C:\\List\\sub\\two", "2");
    auto names = win::findFiles("C:\\List\\*.*");
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], ".");
    EXPECT_EQ(names[1], "..");
    std::sort(names.begin() + 2, names.end());
    EXPECT_EQ(names[2], "one");
    EXPECT_EQ(names[3], "sub");
    EXPECT_TRUE(win::findFiles("C:\\Missing\\*.*").empty());
}

TEST(Files, TextModeReadsCrLfAsLfAndStopsAtCtrlZ)
{
    TempInstall install;
    install.write("C:\\t.txt", std::string("one\r\ntwo\rthree\n\x1A" "after"));
    std::FILE* file = win::openFile("C:\\t.txt", "rb");
    ASSERT_NE(file, nullptr);
    char buffer[8];
    ASSERT_NE(win::textModeGets(buffer, sizeof buffer, file), nullptr);
    EXPECT_STREQ(buffer, "one\n");
    ASSERT_NE(win::textModeGets(buffer, sizeof buffer, file), nullptr);
    EXPECT_STREQ(buffer, "two\rthr") << "a lone CR stays; the buffer's size cuts the line";
    ASSERT_NE(win::textModeGets(buffer, sizeof buffer, file), nullptr);
    EXPECT_STREQ(buffer, "ee\n");
    EXPECT_EQ(win::textModeGets(buffer, sizeof buffer, file), nullptr) << "0x1A ends the input";
    EXPECT_EQ(win::textModeGets(buffer, sizeof buffer, file), nullptr);
    std::fclose(file);
}
