#include "win/Mutex.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::TempInstall;
namespace fs = std::filesystem;

TEST(NamedMutex, ThePrivateFolderServesOnlyWhenNoOneElseCouldHaveMadeIt)
{
    TempInstall install;
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_RUNTIME_DIR");
    const std::string folder = install.root() + "/stylara-0";
    const std::string lock = folder + "/TEST.MUTEX.lock";
    const std::string elsewhere = install.root() + "/elsewhere";
    // Another user's lock, held while the mutex is created.
    int theirs = -1;
    const auto holdLock = [&](mode_t mode) {
        fs::create_directory(folder);
        ::chmod(folder.c_str(), mode);
        theirs = ::open(lock.c_str(), O_RDWR | O_CREAT, 0666);
        ::fchmod(theirs, 0666);
        ::flock(theirs, LOCK_EX | LOCK_NB);
    };
    struct Row {
        const char* id;
        std::function<void()> arrange;
        bool created; // what create() says: false ends the program
        bool held;    // the mutex holds its lock
        std::function<void()> verify;
    };
    const Row rows[] = {
        {"a missing folder is made for the user alone", [] {}, true, true,
         [&] { EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all); }},
        {"another holder in the user's own folder", [&] { holdLock(0700); }, false, false, [] {}},
        // The folder another user made first, with a lock of their own held in it.
        {"a folder others may enter", [&] { holdLock(0777); }, true, false, [] {}},
        {"a folder others may read", [&] { holdLock(0750); }, true, false, [] {}},
        {"a folder that is a link",
         [&] {
             fs::create_directory(elsewhere);
             ::chmod(elsewhere.c_str(), 0700);
             fs::create_directory_symlink(elsewhere, folder);
         },
         true, false, [&] { EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing made where it points"; }},
        {"a plain file in the folder's place", [&] { std::ofstream(folder) << "x"; }, true, false, [] {}},
        {"a lock file that is a link",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0700);
             fs::create_symlink(elsewhere + "-file", lock);
         },
         true, false, [&] { EXPECT_FALSE(fs::exists(elsewhere + "-file")) << "no file made where it points"; }},
        {"a lock that is a FIFO",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0700);
             ::mkfifo(lock.c_str(), 0600);
         },
         true, false, [] {}},
        {"a folder of another user",
         [&] {
             fs::create_directory(folder);
             ::chmod(folder.c_str(), 0700);
             if (::chown(folder.c_str(), ::getuid() + 1, ::getgid()) != 0)
                 GTEST_SKIP() << "ownership cannot be given away here";
         },
         true, false, [] {}},
    };
    for (const Row& row : rows) {
        fs::remove_all(folder);
        fs::remove_all(elsewhere);
        theirs = -1;
        row.arrange();
        win::NamedMutex mutex("TEST.MUTEX", folder);
        EXPECT_EQ(mutex.create(), row.created) << row.id;
        EXPECT_EQ(mutex.held(), row.held) << row.id;
        row.verify();
        mutex.release();
        if (theirs >= 0)
            ::close(theirs);
    }
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}

TEST(NamedMutex, TheSessionsRuntimeFolderIsUsedWhereSet)
{
    TempInstall install;
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    win::NamedMutex first("TEST.MUTEX", install.root() + "/unused");
    ASSERT_TRUE(first.create());
    EXPECT_TRUE(first.held());
    EXPECT_EQ(first.lockFilePath(), runtime + "/TEST.MUTEX.lock");
    EXPECT_FALSE(fs::exists(install.root() + "/unused"));
    first.release();

    // A link in the lock's place is refused there too.
    fs::remove(runtime + "/TEST.MUTEX.lock");
    fs::create_symlink(install.root() + "/elsewhere", runtime + "/TEST.MUTEX.lock");
    win::NamedMutex linked("TEST.MUTEX");
    EXPECT_TRUE(linked.create());
    EXPECT_FALSE(linked.held());
    EXPECT_FALSE(fs::exists(install.root() + "/elsewhere"));
}
