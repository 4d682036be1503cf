#include "WinPath.h"

#include "CodePage.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

namespace win {

std::string drivesRoot()
{
    static std::mutex guard;
    static std::string given, absolute;
    std::string value;
    if (const char* root = std::getenv("STYLARA_DRIVES"); root && *root) {
        value = root;
    } else {
        const char* home = std::getenv("HOME");
        value = std::string(home && *home ? home : "/tmp") + "/.stylara/drives";
    }
    // Made absolute once, when read: the purge makes Temp the process's current directory, and a
    // relative root taken from there would move every drive into Temp.
    const std::lock_guard lock(guard);
    if (value != given) {
        std::error_code ec;
        const std::filesystem::path made = std::filesystem::absolute(value, ec);
        absolute = ec ? value : made.lexically_normal().string();
        while (absolute.size() > 1 && absolute.back() == '/')
            absolute.pop_back();
        given = value;
    }
    return absolute;
}

namespace {

std::string current = "C:\\";

bool isDriveLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

bool hasDrive(const std::string& path) { return path.size() >= 2 && path[1] == ':' && isDriveLetter(path[0]); }

// Characters no Windows file name may hold; a colon past the drive would name a stream, not a file.
bool forbidden(char c) { return static_cast<unsigned char>(c) < 0x20 || std::strchr("<>\"|?*:", c) != nullptr; }

// The DOS devices answer to their name in any folder and with any extension: "C:\Docs\nul.pdf" is NUL.
bool deviceName(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

// The names of a path below its drive's root, split at "\".
std::vector<std::string> namesOf(const std::string& text)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\\', start), text.size());
        if (end > start)
            names.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

} // namespace

std::string fullPathName(const std::string& path, const std::string& currentDir)
{
    std::string text = path;
    for (char& c : text)
        if (c == '/')
            c = '\\';
    if (text.empty() || text.starts_with("\\\\"))
        return {};

    const std::string base = hasDrive(currentDir) ? currentDir : std::string("C:\\");
    char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(base[0])));
    std::string rest = text;
    bool fromCurrent = true;
    if (hasDrive(text)) {
        const char named = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        rest = text.substr(2);
        fromCurrent = named == drive;
        drive = named;
    }
    for (char c : rest)
        if (forbidden(c))
            return {};

    std::vector<std::string> names;
    if (!rest.starts_with('\\') && fromCurrent)
        names = namesOf(base.substr(2));
    std::vector<std::string> added = namesOf(rest);
    const bool endsInSeparator = rest.ends_with('\\');
    for (std::string name : added) {
        if (name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        // An inner name that ends in a single period loses it, so "C:\\Signed.\\a.pdf" lies in the folder
        // "C:\\Signed"; two or more periods stay, so a full path resolves to itself.
        if (name.ends_with('.') && !name.ends_with(".."))
            name.pop_back();
        if (deviceName(name))
            return {};
        names.push_back(name);
    }
    // Without a closing separator the path loses its trailing periods and blanks, once "." and ".." are
    // resolved, and with them every name they leave empty: "C:\\Docs\\a..\\." is "C:\\Docs\\a".
    while (!endsInSeparator && !names.empty()) {
        std::string& last = names.back();
        while (!last.empty() && (last.back() == '.' || last.back() == ' '))
            last.pop_back();
        if (!last.empty())
            break;
        names.pop_back();
    }

    std::string full = std::string(1, drive) + ":\\";
    for (size_t i = 0; i < names.size(); ++i)
        full += (i ? "\\" : "") + names[i];
    if (endsInSeparator && !names.empty())
        full += '\\';
    return full;
}

std::string currentDirectory() { return current; }

void keepCurrentDirectory(const std::string& fullPath)
{
    if (hasDrive(fullPath))
        current = fullPath;
}

std::string nativePath(const std::string& windowsPath, const std::string& currentDir)
{
    const std::string full = fullPathName(windowsPath, currentDir);
    if (full.empty())
        return {};
    std::string native = drivesRoot() + "/" + static_cast<char>(std::tolower(static_cast<unsigned char>(full[0])));
    // The Windows name is text in the PC's code page and the file system's names are UTF-8: the byte
    // 0xE9 is the letter that a Linux name spells C3 A9, for every opener, Qt's included.
    for (const char c : utf8FromAnsi(std::string_view(full).substr(2)))
        native += c == '\\' ? '/' : c;
    return native;
}

std::string nativePath(const std::string& windowsPath) { return nativePath(windowsPath, current); }

std::string directoryPart(const std::string& windowsPath)
{
    const auto last = windowsPath.find_last_of("\\:");
    return last == std::string::npos ? std::string() : windowsPath.substr(0, last + 1);
}

} // namespace win
