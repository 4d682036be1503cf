#include "win/WinPath.h"
#include "TestSupport.h"
#include "win/Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using testing_support::TempInstall;

TEST(WinPath, EveryPathLandsOnADriveUnderTheRoot)
{
    TempInstall install;
    const std::string root = win::drivesRoot();
    struct Row {
        const char* id;
        const char* windows;
        const char* current;
        const char* native; // below the drives root; nullptr: refused, a path that does not exist
    };
    const Row rows[] = {
        {"drive folder", "C:\\Stylara\\Temp", "C:\\", "/c/Stylara/Temp"},
        {"capital drive lowered", "X:\\Docs\\a.pdf", "C:\\", "/x/Docs/a.pdf"},
        {"slashes are separators", "C:/Docs//Inv\\a.pdf", "C:\\", "/c/Docs/Inv/a.pdf"},
        {"drive root", "D:\\", "C:\\", "/d/"},
        {"trailing separator kept", "C:\\Docs\\", "C:\\", "/c/Docs/"},
        {"bare drive, other drive", "D:", "C:\\Stylara", "/d/"},
        {"bare drive, current drive", "c:", "C:\\Stylara\\Temp", "/c/Stylara/Temp"},
        {"drive-relative, other drive", "E:file.txt", "C:\\Stylara", "/e/file.txt"},
        {"drive-relative, current drive", "C:sub\\a.pdf", "C:\\Stylara\\Temp", "/c/Stylara/Temp/sub/a.pdf"},
        {"rooted on the current drive", "\\tmp\\x\\sub\\a.pdf", "D:\\Work", "/d/tmp/x/sub/a.pdf"},
        {"relative to the current directory", "relative\\dir\\a.pdf", "C:\\Stylara\\Temp",
         "/c/Stylara/Temp/relative/dir/a.pdf"},
        {"dot and dot-dot", "C:\\Docs\\.\\Old\\..\\a.pdf", "C:\\", "/c/Docs/a.pdf"},
        {"dot-dot stays at the drive root", "C:\\..\\..\\..\\x\\a.pdf", "C:\\", "/c/x/a.pdf"},
        {"relative dot-dot stays at the root", "..\\..\\..\\..\\x", "C:\\Stylara\\Temp", "/c/x"},
        {"last name loses trailing dots and blanks", "C:\\Docs\\a.pdf. .", "C:\\", "/c/Docs/a.pdf"},
        {"inner name loses one trailing period", "C:\\Signed.\\a.pdf", "C:\\", "/c/Signed/a.pdf"},
        {"two trailing periods stay", "C:\\Signed..\\a.pdf", "C:\\", "/c/Signed../a.pdf"},
        {"in a folder with its separator", "C:\\Signed.\\", "C:\\", "/c/Signed/"},
        {"an inner name keeps its blanks", "C:\\Signed \\a.pdf", "C:\\", "/c/Signed /a.pdf"},
        {"the last name is trimmed once dots are resolved", "C:\\Docs\\a..\\.", "C:\\", "/c/Docs/a"},
        {"blank names at the end go", " / ", "C:\\Stylara", "/c/Stylara"},
        {"three periods stay a name", "C:\\...\\a.pdf", "C:\\", "/c/.../a.pdf"},
        {"an inner device name with a period", "C:\\nul.\\a.pdf", "C:\\", nullptr},
        {"code page letters in UTF-8", "C:\\Stylar\xe9\\\x80 \x9f.pdf", "C:\\",
         "/c/Stylar\xc3\xa9/\xe2\x82\xac \xc5\xb8.pdf"},
        {"code page letters in the current directory", "a\xfc.pdf", "C:\\Stylar\xe9",
         "/c/Stylar\xc3\xa9/a\xc3\xbc.pdf"},
        {"UNC share", "\\\\server\\share\\a.pdf", "C:\\", nullptr},
        {"UNC with slashes", "//server/share/a.pdf", "C:\\", nullptr},
        {"device namespace", "\\\\.\\C:\\a.pdf", "C:\\", nullptr},
        {"device name", "C:\\Docs\\NUL", "C:\\", nullptr},
        {"device name with an extension", "com1.pdf", "C:\\Stylara", nullptr},
        {"device name as a folder", "C:\\aux\\a.pdf", "C:\\", nullptr},
        {"stream colon", "C:\\Docs\\a.pdf:x", "C:\\", nullptr},
        {"wildcard", "C:\\Docs\\a?.pdf", "C:\\", nullptr},
        {"control character", "C:\\Docs\\a\nb.pdf", "C:\\", nullptr},
        {"empty path", "", "C:\\", nullptr},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(win::nativePath(row.windows, row.current), row.native ? root + row.native : std::string()) << row.id;
        // A full path names itself, wherever the current directory is.
        const std::string full = win::fullPathName(row.windows, row.current);
        if (!full.empty()) {
            EXPECT_EQ(win::fullPathName(full, "D:\\Work"), full) << row.id;
        }
    }
}

TEST(WinPath, CurrentDirectoryIsAFolderOnADrive)
{
    TempInstall install;
    install.write("C:\\Stylara\\Temp\\a.txt", "a");
    ASSERT_TRUE(win::setCurrentDirectory("C:\\Stylara"));
    EXPECT_EQ(win::currentDirectory(), "C:\\Stylara");
    ASSERT_TRUE(win::setCurrentDirectory("Temp"));
    EXPECT_EQ(win::currentDirectory(), "C:\\Stylara\\Temp");
    EXPECT_TRUE(win::fileExists("a.txt"));
    EXPECT_EQ(win::nativePath("\\x"), install.native("C:\\x"));
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(install.native("C:\\Stylara\\Temp")));

    for (const char* refused : {"C:\\Missing", "C:\\Stylara\\Temp\\a.txt", "\\\\server\\share"}) {
        EXPECT_FALSE(win::setCurrentDirectory(refused)) << refused;
        EXPECT_EQ(win::currentDirectory(), "C:\\Stylara\\Temp") << refused;
    }
    // What no file call can reach is made nowhere either.
    EXPECT_FALSE(win::forceDirectories("\\\\server\\share\\x\\"));
    EXPECT_FALSE(win::CopyFileA("C:\\Stylara\\Temp\\a.txt", "C:\\Stylara\\con", 0));
    EXPECT_EQ(win::openFile("C:\\Stylara\\a?.txt", "wb"), nullptr);
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

TEST(Files, ReadOnlyFilesAreNeitherDeletedNorReplaced)
{
    TempInstall install;
    namespace fs = std::filesystem;
    install.write("C:\\Stylara\\new.txt", "new");
    install.write("C:\\Stylara\\kept.txt", "kept");
    const fs::path kept = install.native("C:\\Stylara\\kept.txt");
    fs::permissions(kept, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_TRUE(win::readOnlyFile("C:\\Stylara\\kept.txt"));
    EXPECT_FALSE(win::readOnlyFile("C:\\Stylara\\new.txt"));
    EXPECT_FALSE(win::readOnlyFile("C:\\Stylara")) << "a folder";
    EXPECT_FALSE(win::readOnlyFile("C:\\Stylara\\missing.txt"));

    EXPECT_FALSE(win::deleteFile("C:\\Stylara\\kept.txt"));
    EXPECT_FALSE(win::CopyFileA("C:\\Stylara\\new.txt", "C:\\Stylara\\kept.txt", 0));
    EXPECT_EQ(install.read("C:\\Stylara\\kept.txt"), "kept");
    EXPECT_EQ(fs::status(kept).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(install.exists("C:\\Stylara\\kept.txt.copying"));

    // A copy takes the source's attributes, the read-only one included, as CopyFileA does.
    ASSERT_TRUE(win::CopyFileA("C:\\Stylara\\kept.txt", "C:\\Stylara\\copy.txt", 0));
    EXPECT_TRUE(win::readOnlyFile("C:\\Stylara\\copy.txt"));
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
    install.write("C:\\t.txt", std::string("one\r\ntwo\rthree\n\x1A"
                                           "after"));
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
