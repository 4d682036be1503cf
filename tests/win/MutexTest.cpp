#include "win/Mutex.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testing_support::TempInstall;
namespace fs = std::filesystem;

namespace {

const uid_t nobody = 65534;

// An exclusive lock on a file, made and held by a process of its own until this goes: a process of
// `owner` where this one may become another user, else of this one's user.
class LockHolder {
public:
    LockHolder(const std::string& path, uid_t owner)
    {
        int ready[2];
        int done[2];
        if (::pipe(ready) != 0 || ::pipe(done) != 0)
            return;
        const char* file = path.c_str();
        const bool become = ::geteuid() == 0 && owner != ::geteuid();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only calls that are safe after a fork of a process with threads.
            ::close(ready[0]);
            ::close(done[1]);
            char held = '0';
            const int fd = ::open(file, O_RDWR | O_CREAT, 0666);
            if (fd >= 0 && ::fchmod(fd, 0666) == 0 &&
                (!become || (::fchown(fd, owner, owner) == 0 && ::setgid(owner) == 0 && ::setuid(owner) == 0)) &&
                ::flock(fd, LOCK_EX | LOCK_NB) == 0)
                held = '1';
            (void)!::write(ready[1], &held, 1);
            (void)!::read(done[0], &held, 1); // until the holder is let go
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(done[0]);
        char held = '0';
        m_held = m_pid > 0 && ::read(ready[0], &held, 1) == 1 && held == '1';
        ::close(ready[0]);
        m_done = done[1];
    }
    ~LockHolder()
    {
        ::close(m_done);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool held() const { return m_held; }

private:
    pid_t m_pid = -1;
    int m_done = -1;
    bool m_held = false;
};

} // namespace

// Each form of folder is tried in both places the lock may live: as the fallback folder with
// XDG_RUNTIME_DIR unset, and as XDG_RUNTIME_DIR itself, where a refused folder sends the lock to the
// fallback.
TEST(NamedMutex, AFolderServesForTheLockOnlyWhenNoOneElseCouldHaveMadeItOrWriteToIt)
{
    TempInstall install;
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = install.root() + "/place";
    const std::string lock = folder + "/TEST.MUTEX.lock";
    const std::string fallback = install.root() + "/fallback";
    const std::string elsewhere = install.root() + "/elsewhere";
    const bool root = ::geteuid() == 0;
    std::optional<LockHolder> holder;
    const auto makeFolder = [&](mode_t mode, uid_t owner) {
        fs::create_directory(folder);
        ::chmod(folder.c_str(), mode);
        return ::chown(folder.c_str(), owner, owner) == 0;
    };
    const auto holdLock = [&](uid_t owner) {
        holder.emplace(lock, owner);
        ASSERT_TRUE(holder->held());
    };
    enum class Outcome {
        Used,    // the lock is taken in the folder
        Stopped, // another instance holds it there: create() says so, which ends the program
        Refused, // the folder is passed over
        NoLock,  // the folder serves, yet no lock can be made in it: the program runs without
    };
    struct Row {
        const char* id;
        bool otherOwner; // needs a folder of another user, which only root can give
        std::function<void()> arrange;
        Outcome outcome;
        std::function<void()> verify;
    };
    const Row rows[] = {
        {"a missing folder is made for the user alone", false, [] {}, Outcome::Used,
         [&] { EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all); }},
        {"another instance in the user's own folder", false,
         [&] {
             makeFolder(0700, ::getuid());
             holdLock(::getuid());
         },
         Outcome::Stopped, [] {}},
        // The shared folders another user can put a lock of their own in, and hold it.
        {"a sticky folder all may write, with another user's lock", false,
         [&] {
             makeFolder(01777, ::getuid());
             holdLock(nobody);
         },
         Outcome::Refused, [] {}},
        {"another user's folder all may write, with their lock", true,
         [&] {
             if (makeFolder(0777, nobody))
                 holdLock(nobody);
         },
         Outcome::Refused, [] {}},
        {"another user's private folder", true, [&] { makeFolder(0700, nobody); }, Outcome::Refused, [] {}},
        {"a folder others may read", false, [&] { makeFolder(0750, ::getuid()); }, Outcome::Refused, [] {}},
        {"a folder that is a link", false,
         [&] {
             fs::create_directory(elsewhere);
             ::chmod(elsewhere.c_str(), 0700);
             fs::create_directory_symlink(elsewhere, folder);
         },
         Outcome::Refused, [&] { EXPECT_TRUE(fs::is_empty(elsewhere)) << "nothing made where it points"; }},
        {"a plain file in the folder's place", false, [&] { std::ofstream(folder) << "x"; }, Outcome::Refused, [] {}},
        {"a lock file that is a link", false,
         [&] {
             makeFolder(0700, ::getuid());
             fs::create_symlink(elsewhere + "-file", lock);
         },
         Outcome::NoLock, [&] { EXPECT_FALSE(fs::exists(elsewhere + "-file")) << "no file made where it points"; }},
        {"a lock that is a FIFO", false,
         [&] {
             makeFolder(0700, ::getuid());
             ::mkfifo(lock.c_str(), 0600);
         },
         Outcome::NoLock, [] {}},
    };
    std::vector<std::string> skipped;
    for (const bool inRuntime : {false, true}) {
        for (const Row& row : rows) {
            const std::string id = std::string(row.id) + (inRuntime ? ", as XDG_RUNTIME_DIR" : ", as the fallback");
            if (row.otherOwner && !root) {
                skipped.push_back(id);
                continue;
            }
            fs::remove_all(folder);
            fs::remove_all(fallback);
            fs::remove_all(elsewhere);
            holder.reset();
            if (inRuntime)
                setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
            else
                unsetenv("XDG_RUNTIME_DIR");
            row.arrange();
            win::NamedMutex mutex("TEST.MUTEX", inRuntime ? fallback : folder);
            const bool created = mutex.create();
            std::string expectedLock;
            if (row.outcome == Outcome::Used)
                expectedLock = lock;
            else if (row.outcome == Outcome::Refused && inRuntime)
                expectedLock = fallback + "/TEST.MUTEX.lock";
            EXPECT_EQ(created, row.outcome != Outcome::Stopped) << id;
            EXPECT_EQ(mutex.held(), !expectedLock.empty()) << id;
            if (row.outcome != Outcome::Stopped && row.outcome != Outcome::NoLock) {
                EXPECT_EQ(mutex.lockFilePath(), expectedLock) << id;
            }
            if (inRuntime && row.outcome != Outcome::Refused) {
                EXPECT_FALSE(fs::exists(fallback)) << id << ": the fallback is left alone";
            }
            row.verify();
        }
    }

    // A refused runtime folder and a fallback another user prepared: the program runs without the lock.
    fs::remove_all(folder);
    makeFolder(01777, ::getuid());
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    fs::create_directory(fallback);
    ::chmod(fallback.c_str(), 0777);
    win::NamedMutex mutex("TEST.MUTEX", fallback);
    EXPECT_TRUE(mutex.create());
    EXPECT_FALSE(mutex.held());
    EXPECT_EQ(mutex.lockFilePath(), "");

    holder.reset();
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    if (!skipped.empty())
        GTEST_SKIP() << "only root can give a folder to another user; not tried: " << skipped.front() << " ...";
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
