#include "win/Files.h"
#include "TestSupport.h"
#include "win/Profile.h"
#include "win/WinPath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::fileContents;
using testing_support::TempInstall;
namespace fs = std::filesystem;

namespace {

bool writeThroughFile(const std::string& path, const char* mode)
{
    std::FILE* file = win::openFile(path, mode);
    if (!file)
        return false;
    std::fputs("new", file);
    return std::fclose(file) == 0;
}

// The names in a native folder, sorted.
std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(Files, NoWriteFollowsALinkOrReplacesAReadOnlyFile)
{
    TempInstall install;
    const std::string target = "C:\\Stylara\\Temp\\t.pdf";
    const std::string native = install.native(target);
    const std::string outside = install.root() + "/outside";
    install.write("C:\\Stylara\\source.pdf", "new");

    enum class Writer { Open, Append, Update, Descriptor, Copy, Profile };
    struct Situation {
        const char* id;
        std::function<void()> arrange;
        bool opened;      // an open for writing takes it
        bool staged;      // a copy or a profile write, which puts a new file in its place, takes it
        bool read = true; // the profile write, which reads the file first, is tried
    };
    const Situation situations[] = {
        {"a plain file", [&] { install.write(target, "old"); }, true, true},
        {"a missing file", [] {}, true, true},
        {"a dangling link", [&] { fs::create_symlink(outside, native); }, false, true},
        {"a link to a file outside",
         [&] {
             std::ofstream(outside) << "theirs";
             fs::create_symlink(outside, native);
         },
         false, true},
        // Root writes whatever the mode bits say; the attribute holds all the same.
        {"a read-only file",
         [&] {
             install.write(target, "old");
             fs::permissions(native, fs::perms::owner_read | fs::perms::group_read);
         },
         false, false},
        {"a FIFO, which must not hang the open", [&] { ::mkfifo(native.c_str(), 0666); }, false, true, false},
    };
    struct Way {
        const char* id;
        Writer writer;
    };
    const Way ways[] = {{"wb", Writer::Open},       {"ab", Writer::Append}, {"r+b", Writer::Update},
                        {"fd", Writer::Descriptor}, {"copy", Writer::Copy}, {"profile", Writer::Profile}};
    for (const Situation& situation : situations) {
        for (const Way& way : ways) {
            const std::string id = std::string(situation.id) + ", " + way.id;
            if (way.writer == Writer::Profile && !situation.read)
                continue;
            fs::remove(native);
            fs::remove(outside);
            situation.arrange();
            const bool existed = fs::exists(fs::symlink_status(native));
            const std::string before = fs::is_regular_file(fs::symlink_status(native)) ? fileContents(native) : "";
            bool written = false;
            switch (way.writer) {
            case Writer::Open:
                written = writeThroughFile(target, "wb");
                break;
            case Writer::Append:
                written = writeThroughFile(target, "ab");
                break;
            case Writer::Update:
                written = writeThroughFile(target, "r+b");
                break;
            case Writer::Descriptor: {
                const int fd = win::openForWriting(target, O_TRUNC);
                written = fd >= 0 && ::write(fd, "new", 3) == 3;
                if (fd >= 0)
                    ::close(fd);
                break;
            }
            case Writer::Copy:
                written = win::CopyFileA("C:\\Stylara\\source.pdf", target.c_str(), 0) != 0;
                break;
            case Writer::Profile:
                written = win::WritePrivateProfileStringA("A", "k", "v", target.c_str());
                break;
            }
            const bool staged = way.writer == Writer::Copy || way.writer == Writer::Profile;
            bool expected = staged ? situation.staged : situation.opened;
            // "r+" opens only what is there.
            if (way.writer == Writer::Update && !existed)
                expected = false;
            EXPECT_EQ(written, expected) << id;
            // Whatever a link points to stays as it was.
            if (std::string(situation.id).find("outside") != std::string::npos) {
                EXPECT_EQ(fileContents(outside), "theirs") << id;
            } else {
                EXPECT_FALSE(fs::exists(outside)) << id;
            }
            if (!written && fs::is_regular_file(fs::symlink_status(native))) {
                EXPECT_EQ(fileContents(native), before) << id;
            }
            if (written) {
                EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(native))) << id << ": a file of its own";
            }
            if (fs::is_regular_file(fs::symlink_status(native)))
                fs::permissions(native, fs::perms::owner_all);
        }
    }
}

TEST(Files, AFolderLinkOnTheWayIsFollowed)
{
    // An administrator's link inside the drives, as a junction on Windows: "C:\\Signed" kept on another disk.
    TempInstall install;
    const std::string elsewhere = install.root() + "/archive";
    fs::create_directory(elsewhere);
    fs::create_directory_symlink(elsewhere, install.native("C:\\Signed"));
    install.write("C:\\Stylara\\source.pdf", "new");
    const auto copy = [](const std::string& path) {
        return win::CopyFileA("C:\\Stylara\\source.pdf", path.c_str(), 0) != 0;
    };
    struct Row {
        const char* id;
        std::string target;
        std::function<bool(const std::string&)> write;
        std::string lands; // below the folder the link points to
    };
    const Row rows[] = {
        {"wb", "C:\\Signed\\a.pdf", [](const std::string& path) { return writeThroughFile(path, "wb"); }, "a.pdf"},
        {"fd", "C:\\Signed\\a.pdf",
         [](const std::string& path) {
             const int fd = win::openForWriting(path, O_TRUNC);
             const bool written = fd >= 0 && ::write(fd, "new", 3) == 3;
             if (fd >= 0)
                 ::close(fd);
             return written;
         },
         "a.pdf"},
        {"copy", "C:\\Signed\\a.pdf", copy, "a.pdf"},
        {"a copy into folders made inside it", "C:\\Signed\\2026\\b.pdf",
         [&](const std::string& path) { return win::forceDirectories(win::directoryPart(path)) && copy(path); },
         "2026/b.pdf"},
    };
    for (const Row& row : rows) {
        fs::remove_all(elsewhere + "/2026");
        fs::remove(elsewhere + "/a.pdf");
        EXPECT_TRUE(row.write(row.target)) << row.id;
        EXPECT_EQ(fileContents(elsewhere + "/" + row.lands), "new") << row.id;
        EXPECT_TRUE(fs::is_symlink(install.native("C:\\Signed"))) << row.id;
    }
}

TEST(Files, DeleteRemovesLinksAsFilesAndKeepsReadOnlyFiles)
{
    TempInstall install;
    const std::string outside = install.root() + "/outside";
    const std::string name = "C:\\Stylara\\Temp\\x";
    const std::string native = install.native(name);
    struct Row {
        const char* id;
        std::function<void()> arrange;
        bool deleted;
    };
    const Row rows[] = {
        {"a plain file", [&] { install.write(name, "x"); }, true},
        {"a dangling link", [&] { fs::create_symlink(outside, native); }, true},
        {"a link to a file outside",
         [&] {
             std::ofstream(outside) << "theirs";
             fs::create_symlink(outside, native);
         },
         true},
        {"a link to a folder", [&] { fs::create_symlink(install.native("C:\\Stylara"), native); }, true},
        {"a read-only file",
         [&] {
             install.write(name, "x");
             fs::permissions(native, fs::perms::owner_read);
         },
         false},
        {"a folder", [&] { fs::create_directory(native); }, false},
        {"nothing", [] {}, false},
    };
    for (const Row& row : rows) {
        fs::remove(outside);
        row.arrange();
        EXPECT_EQ(win::deleteFile(name), row.deleted) << row.id;
        EXPECT_EQ(fs::exists(fs::symlink_status(native)), !row.deleted && std::string(row.id) != "nothing") << row.id;
        if (std::string(row.id) == "a link to a file outside") {
            EXPECT_EQ(fileContents(outside), "theirs") << row.id;
        }
        EXPECT_TRUE(fs::exists(install.native("C:\\Stylara"))) << row.id << ": what a link points to stays";
        if (fs::is_directory(fs::symlink_status(native)))
            fs::remove(native);
        else if (fs::exists(fs::symlink_status(native))) {
            fs::permissions(native, fs::perms::owner_all);
            fs::remove(native);
        }
    }
}

TEST(Files, StagingTouchesNoOtherFileAndLeavesNothingBehind)
{
    TempInstall install;
    install.write("C:\\Stylara\\source.txt", "copied");
    struct Row {
        const char* id;
        std::string target;
        std::string kept; // a user's file under the name a staging file once had
        std::function<bool()> write;
        bool written;
    };
    const Row rows[] = {
        {"copy", "C:\\Out\\a.pdf", "C:\\Out\\a.pdf.copying",
         [] { return win::CopyFileA("C:\\Stylara\\source.txt", "C:\\Out\\a.pdf", 0) != 0; }, true},
        {"copy, fail if exists, to a new name", "C:\\Out\\a.pdf", "C:\\Out\\a.pdf.copying",
         [] { return win::CopyFileA("C:\\Stylara\\source.txt", "C:\\Out\\a.pdf", 1) != 0; }, true},
        {"profile", "C:\\Out\\tablet.ini", "C:\\Out\\tablet.ini.new",
         [] { return win::WritePrivateProfileStringA("A", "k", "v", "C:\\Out\\tablet.ini"); }, true},
        {"copy to a folder that is missing", "C:\\Missing\\a.pdf", "C:\\Out\\a.pdf.copying",
         [] { return win::CopyFileA("C:\\Stylara\\source.txt", "C:\\Missing\\a.pdf", 0) != 0; }, false},
    };
    for (const Row& row : rows) {
        fs::remove_all(install.native("C:\\Out"));
        install.write(row.kept, "the user's");
        EXPECT_EQ(row.write(), row.written) << row.id;
        EXPECT_EQ(install.read(row.kept), "the user's") << row.id;
        std::vector<std::string> expected = {fs::path(install.native(row.kept)).filename().string()};
        if (row.written)
            expected.push_back(fs::path(install.native(row.target)).filename().string());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(install.native("C:\\Out")), expected) << row.id << ": no staging file stays";
    }

    // Fail-if-exists holds against a file that stands there, and nothing of the copy stays.
    install.write("C:\\Out\\b.pdf", "theirs");
    EXPECT_FALSE(win::CopyFileA("C:\\Stylara\\source.txt", "C:\\Out\\b.pdf", 1));
    EXPECT_EQ(install.read("C:\\Out\\b.pdf"), "theirs");
    EXPECT_EQ(namesIn(install.native("C:\\Out")), (std::vector<std::string>{"a.pdf.copying", "b.pdf"}));

    // Two staging files for one target never share a name.
    win::StagedFile first("C:\\Out\\c.pdf");
    win::StagedFile second("C:\\Out\\c.pdf");
    ASSERT_GE(first.descriptor(), 0);
    ASSERT_GE(second.descriptor(), 0);
    EXPECT_TRUE(first.write("1", 1));
    EXPECT_TRUE(second.write("2", 1));
    EXPECT_TRUE(second.commit(false));
    EXPECT_FALSE(first.commit(false)) << "the target made since is not replaced";
    EXPECT_EQ(install.read("C:\\Out\\c.pdf"), "2");
}

TEST(Files, WindowsNamesAreUtf8OnTheFileSystem)
{
    TempInstall install;
    // The folder as a Linux user would make it, in UTF-8.
    fs::create_directories(install.root() + "/drives/c/Stylar\xc3\xa9/Temp");
    std::ofstream(install.root() + "/drives/c/Stylar\xc3\xa9/Temp/\xe2\x82\xac.pdf") << "euro";
    std::ofstream(install.root() + "/drives/c/Stylar\xc3\xa9/Temp/\xe6\x97\xa5.pdf") << "no such letter";

    EXPECT_TRUE(win::directoryExists("C:\\Stylar\xe9\\Temp"));
    EXPECT_TRUE(win::fileExists("C:\\Stylar\xe9\\Temp\\\x80.pdf"));
    std::vector<std::string> names = win::findFiles("C:\\Stylar\xe9\\Temp\\*.*");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "?.pdf", "\x80.pdf"}))
        << "listed in the code page; a letter it lacks is \"?\"";

    ASSERT_TRUE(writeThroughFile("C:\\Stylar\xe9\\Temp\\unsigned.pdf", "wb"));
    EXPECT_EQ(fileContents(install.root() + "/drives/c/Stylar\xc3\xa9/Temp/unsigned.pdf"), "new");
    EXPECT_TRUE(win::deleteFile("C:\\Stylar\xe9\\Temp\\\x80.pdf"));
    EXPECT_FALSE(fs::exists(install.root() + "/drives/c/Stylar\xc3\xa9/Temp/\xe2\x82\xac.pdf"));
    EXPECT_FALSE(win::deleteFile("C:\\Stylar\xe9\\Temp\\?.pdf")) << "a name no Windows file has";
}

TEST(Files, AFolderMadeForATargetIsTheFolderItIsWrittenTo)
{
    TempInstall install;
    install.write("C:\\Stylara\\signed.pdf", "signed");
    struct Row {
        const char* id;
        const char* target;
        const char* lands; // below drive C
    };
    const Row rows[] = {
        {"one trailing period", "C:\\Signed.\\a.pdf", "Signed/a.pdf"},
        {"two trailing periods stay", "C:\\Two..\\a.pdf", "Two../a.pdf"},
        {"three periods are a name", "C:\\...\\a.pdf", ".../a.pdf"},
        {"every inner level", "C:\\One.\\Two.\\a.pdf", "One/Two/a.pdf"},
        {"a trailing blank stays on an inner name", "C:\\Blank \\a.pdf", "Blank /a.pdf"},
        {"the drive's current directory", "C:a.pdf", "a.pdf"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(win::forceDirectories(win::directoryPart(row.target))) << row.id;
        EXPECT_TRUE(win::CopyFileA("C:\\Stylara\\signed.pdf", row.target, 0)) << row.id;
        EXPECT_EQ(fileContents(install.root() + "/drives/c/" + row.lands), "signed") << row.id;
    }
}

TEST(Files, ARelativeDrivesRootIsTakenFromWhereTheProgramStarted)
{
    TempInstall install;
    const fs::path started = fs::current_path();
    fs::current_path(install.root());
    struct Row {
        const char* id;
        const char* given;
    };
    const Row rows[] = {
        {"a name", "drives"}, {"dot first", "./drives"}, {"trailing slash", "drives/"}, {"a way round", "x/../drives"}};
    for (const Row& row : rows) {
        fs::current_path(install.root());
        setenv("STYLARA_DRIVES", row.given, 1);
        EXPECT_EQ(win::drivesRoot(), install.root() + "/drives") << row.id;
        // The purge moves the process into Temp; the drives stay where they were.
        ASSERT_TRUE(win::setCurrentDirectory("C:\\Stylara\\Temp")) << row.id;
        EXPECT_EQ(win::nativePath("C:\\Stylara\\tablet.ini"), install.root() + "/drives/c/Stylara/tablet.ini")
            << row.id;
        install.write("C:\\Stylara\\Temp\\here.txt", "x");
        EXPECT_TRUE(win::fileExists("C:\\Stylara\\Temp\\here.txt")) << row.id;
        win::setCurrentDirectory("C:\\");
    }
    setenv("STYLARA_DRIVES", (install.root() + "/drives").c_str(), 1);
    fs::current_path(started);
}
