#include "Files.h"

#include "CodePage.h"
#include "WinPath.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

namespace {

// The read-only attribute is the owner's missing write permission, as Wine shows it.
bool readOnlyMode(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

int retried(const std::function<int()>& call)
{
    int result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

bool fileExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(nativePath(path), ec);
}

bool directoryExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(nativePath(path), ec);
}

bool pathExists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(nativePath(path), ec);
}

bool readOnlyFile(const std::string& path)
{
    const std::string native = nativePath(path);
    struct stat info {};
    if (native.empty() || ::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    // access() adds what the process may not write for other reasons (another owner, a read-only mount).
    return readOnlyMode(info) || ::access(native.c_str(), W_OK) != 0;
}

bool deleteFile(const std::string& path)
{
    const std::string native = nativePath(path);
    struct stat info {};
    if (native.empty() || ::lstat(native.c_str(), &info) != 0)
        return false;
    if (!S_ISLNK(info.st_mode) && (!S_ISREG(info.st_mode) || readOnlyFile(path)))
        return false;
    return ::unlink(native.c_str()) == 0;
}

bool createDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::create_directory(nativePath(path), ec);
}

bool forceDirectories(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && (trimmed.back() == '\\' || trimmed.back() == '/'))
        trimmed.pop_back();
    if (trimmed.empty())
        return false;
    // Mapped as a folder, with its separator, so each name resolves as it does in the path of a file
    // written there: "C:\\Signed.\\" is the folder that "C:\\Signed.\\a.pdf" lies in.
    const std::string native = nativePath(trimmed.back() == ':' ? trimmed : trimmed + "\\");
    if (native.empty())
        return false;
    std::error_code ec;
    fs::create_directories(native, ec);
    return fs::is_directory(native, ec);
}

bool setCurrentDirectory(const std::string& path)
{
    const std::string full = fullPathName(path, currentDirectory());
    if (!directoryExists(full))
        return false;
    keepCurrentDirectory(full);
    // The process follows, so whatever else looks at its directory sees the same folder.
    std::error_code ec;
    fs::current_path(nativePath(full), ec);
    return true;
}

std::vector<std::string> findFiles(const std::string& pattern)
{
    std::vector<std::string> names;
    const std::string folder = directoryPart(pattern);
    std::error_code ec;
    fs::directory_iterator it(nativePath(folder.empty() ? std::string(".") : folder), ec);
    if (ec)
        return names;
    names = {".", ".."};
    for (const auto& entry : it)
        names.push_back(ansiFromUtf8(entry.path().filename().string()));
    return names;
}

int openForWriting(const std::string& path, int flags)
{
    const std::string native = nativePath(path);
    if (native.empty()) {
        errno = ENOENT;
        return -1;
    }
    // Not truncated before it is known to be a writable file; not blocked by a FIFO put in its place.
    const int access = (flags & O_RDWR) ? O_RDWR : O_WRONLY;
    const int how = access | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (flags & O_APPEND);
    const int fd = retried([&] { return ::open(native.c_str(), how, 0666); });
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || readOnlyMode(info)) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    if (((flags & O_TRUNC) && ::ftruncate(fd, 0) != 0) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    if (path.empty() || !mode)
        return nullptr;
    const bool update = std::strchr(mode, '+') != nullptr;
    if (mode[0] == 'r' && !update)
        return std::fopen(nativePath(path).c_str(), mode);
    int flags = update ? O_RDWR : 0;
    if (mode[0] == 'w')
        flags |= O_TRUNC;
    else if (mode[0] == 'a')
        flags |= O_APPEND;
    else if (mode[0] != 'r') {
        errno = EINVAL;
        return nullptr;
    }
    // "r+" opens only what is there, as fopen does.
    if (mode[0] == 'r' && !fileExists(path)) {
        errno = ENOENT;
        return nullptr;
    }
    const int fd = openForWriting(path, flags);
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (!file)
        ::close(fd);
    return file;
}

bool readWholeFile(const std::string& path, std::string& contents)
{
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in)
        return false;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

StagedFile::StagedFile(const std::string& target) : m_target(nativePath(target))
{
    if (m_target.empty())
        return;
    const std::string folder = m_target.substr(0, m_target.rfind('/') + 1);
    static std::atomic<unsigned> made{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".~%x-%x-%08x", static_cast<unsigned>(::getpid()), made++, entropy());
        m_staging = folder + name;
        m_fd = retried([&] { return ::open(m_staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        m_staging.clear();
        return;
    }
    struct stat old {};
    if (::stat(m_target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(m_fd, old.st_mode & 07777);
}

StagedFile::~StagedFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_staging.empty())
        ::unlink(m_staging.c_str());
}

bool StagedFile::write(const void* bytes, size_t size)
{
    const char* at = static_cast<const char*>(bytes);
    while (m_fd >= 0 && !m_failed && size > 0) {
        const ssize_t written = ::write(m_fd, at, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_failed = true;
            break;
        }
        at += written;
        size -= static_cast<size_t>(written);
    }
    return m_fd >= 0 && !m_failed;
}

bool StagedFile::commit(bool replace)
{
    if (m_fd < 0)
        return false;
    // On the disk before it takes the target's place: a write the disk refuses only now is a failed
    // write, and a crash after the rename finds the whole new file, not an empty one.
    const bool flushed = ::fsync(m_fd) == 0 || errno == EINVAL;
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    m_failed = m_failed || !flushed || !closed;
    struct stat info {};
    const bool present = ::lstat(m_target.c_str(), &info) == 0;
    if (m_failed || (present && !replace))
        return false;
    // Windows refuses to replace a read-only file or a folder, whoever asks.
    if (present && ::stat(m_target.c_str(), &info) == 0 &&
        (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && readOnlyMode(info))))
        return false;
    if (replace) {
        if (::rename(m_staging.c_str(), m_target.c_str()) != 0)
            return false;
        m_staging.clear();
        return true;
    }
    // Without replace the file is put in place only where none stands, even one made since the look above;
    // a file system that cannot say so atomically gets a hard link instead.
    if (::renameat2(AT_FDCWD, m_staging.c_str(), AT_FDCWD, m_target.c_str(), RENAME_NOREPLACE) == 0) {
        m_staging.clear();
        return true;
    }
    return (errno == EINVAL || errno == ENOSYS) && ::link(m_staging.c_str(), m_target.c_str()) == 0;
}

int CopyFileA(const char* existingFileName, const char* newFileName, int failIfExists)
{
    if (!existingFileName || !newFileName || !fileExists(existingFileName))
        return 0;
    const int source = retried([&] { return ::open(nativePath(existingFileName).c_str(), O_RDONLY | O_CLOEXEC); });
    if (source < 0)
        return 0;
    struct Closing {
        int fd;
        ~Closing() { ::close(fd); }
    } closing{source};
    StagedFile staged(newFileName);
    char chunk[65536];
    for (;;) {
        const ssize_t read = ::read(source, chunk, sizeof chunk);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            return 0;
        if (read == 0)
            break;
        if (!staged.write(chunk, static_cast<size_t>(read)))
            return 0;
    }
    // The copy takes the source's attributes, the read-only one among them.
    struct stat info {};
    if (staged.descriptor() < 0 || ::fstat(source, &info) != 0 ||
        ::fchmod(staged.descriptor(), info.st_mode & 07777) != 0)
        return 0;
    return staged.commit(!failIfExists) ? 1 : 0;
}

} // namespace win

namespace win {

char* textModeGets(char* buffer, int size, std::FILE* file)
{
    if (!buffer || size <= 0 || !file)
        return nullptr;
    int count = 0;
    while (count < size - 1) {
        int c = std::fgetc(file);
        if (c == EOF || c == 0x1A) {
            if (c == 0x1A)
                std::ungetc(c, file); // the input stays ended for the next read too
            break;
        }
        if (c == '\r') {
            const int next = std::fgetc(file);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, file);
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    if (count == 0)
        return nullptr;
    buffer[count] = '\0';
    return buffer;
}

} // namespace win
