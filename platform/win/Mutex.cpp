#include "Mutex.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {

namespace {

// A folder that another local user could have made first or may write to, with a link or a lock of
// their own in it: it serves only when it is a real folder of ours that no one else enters. A missing
// one is made so.
bool ownPrivateFolder(const std::string& folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & 077) == 0;
}

} // namespace

NamedMutex::NamedMutex(std::string name, std::string privateFolder)
    : m_name(std::move(name)), m_privateFolder(std::move(privateFolder))
{
}

NamedMutex::~NamedMutex() { release(); }

std::string NamedMutex::defaultPrivateFolder() { return "/tmp/stylara-" + std::to_string(::getuid()); }

std::string NamedMutex::lockFilePath() const
{
    // The session's folder is taken on no more trust than our own: a shared or borrowed one would let
    // another user hold the lock first and so keep the program from starting.
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && ownPrivateFolder(runtime))
        folder = runtime;
    else if (ownPrivateFolder(m_privateFolder))
        folder = m_privateFolder;
    else
        return {};
    return folder + "/" + m_name + ".lock";
}

bool NamedMutex::create()
{
    if (m_fd >= 0)
        return true;
    // Only another holder ends the program: when the lock cannot be made at all the program goes on
    // without it, as it does when CreateMutexA fails for any other reason.
    const std::string path = lockFilePath();
    if (path.empty())
        return true;
    // A link in the lock's place is refused, not followed: the lock never makes a file elsewhere.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    m_fd = fd;
    return true;
}

void NamedMutex::release()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

} // namespace win
