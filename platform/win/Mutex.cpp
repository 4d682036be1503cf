#include "Mutex.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace win {

NamedMutex::NamedMutex(std::string name) : m_name(std::move(name)) {}

NamedMutex::~NamedMutex() { release(); }

std::string NamedMutex::lockFilePath(const std::string& name)
{
    std::string folder;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        folder = runtime;
    else
        folder = "/tmp/stylara-" + std::to_string(getuid());
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder + "/" + name + ".lock";
}

bool NamedMutex::create()
{
    if (m_fd >= 0)
        return true;
    // Only another holder ends the program: when the lock cannot be made at all the program goes on
    // without it, as it does when CreateMutexA fails for any other reason.
    const int fd = ::open(lockFilePath(m_name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
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
