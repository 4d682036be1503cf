#include "Files.h"

#include "WinPath.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace win {

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
    // The read-only attribute is the owner's missing write permission, as Wine shows it; access()
    // adds what the process may not write for other reasons (another owner, a read-only mount).
    return (info.st_mode & S_IWUSR) == 0 || ::access(native.c_str(), W_OK) != 0;
}

bool deleteFile(const std::string& path)
{
    if (!fileExists(path) || readOnlyFile(path))
        return false;
    std::error_code ec;
    return fs::remove(nativePath(path), ec);
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
    std::error_code ec;
    fs::create_directories(nativePath(trimmed), ec);
    return directoryExists(trimmed);
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
        names.push_back(entry.path().filename().string());
    return names;
}

std::FILE* openFile(const std::string& path, const char* mode)
{
    if (path.empty())
        return nullptr;
    return std::fopen(nativePath(path).c_str(), mode);
}

bool readWholeFile(const std::string& path, std::string& contents)
{
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in)
        return false;
    contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int CopyFileA(const char* existingFileName, const char* newFileName, int failIfExists)
{
    if (!existingFileName || !newFileName || !fileExists(existingFileName))
        return 0;
    const std::string native = nativePath(newFileName);
    if (native.empty())
        return 0;
    const fs::path target = native;
    std::error_code ec;
    if (fs::is_directory(target, ec))
        return 0;
    if (failIfExists && fs::exists(target, ec))
        return 0;
    // Windows refuses to replace a read-only file.
    if (readOnlyFile(newFileName))
        return 0;
    fs::path staging = target;
    staging += ".copying";
    fs::copy_file(nativePath(existingFileName), staging, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        fs::remove(staging, ec);
        return 0;
    }
    fs::rename(staging, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(staging, ignored);
        return 0;
    }
    return 1;
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
