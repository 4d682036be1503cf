// Feeds the Windows path mapping with any text a host could put in a "T:" line. Beyond "no crash": a full
// path is a drive, a root and plain names, and resolves to itself; its native path lies under the drives
// root with no name that climbs out, and spells the same names in UTF-8; the code page comes back whole.
#include "win/CodePage.h"
#include "win/WinPath.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

const char* const currents[] = {"C:\\", "C:\\Stylara\\Temp", "D:\\Work", "C:\\Stylar\xe9"};

void checkFullPath(const std::string& full)
{
    check(full.size() >= 3 && std::isupper(static_cast<unsigned char>(full[0])) && full[1] == ':' && full[2] == '\\');
    size_t start = 3;
    while (start < full.size()) {
        const size_t end = std::min(full.find('\\', start), full.size());
        const std::string name = full.substr(start, end - start);
        check(!name.empty() && name != "." && name != "..");
        for (const char c : name)
            check(static_cast<unsigned char>(c) >= 0x20 && !std::strchr("<>\"|?*:/", c));
        // An inner name keeps no single trailing period; the last one keeps no trailing period or blank.
        if (end < full.size())
            check(!name.ends_with('.') || name.ends_with(".."));
        else
            check(!name.ends_with('.') && !name.ends_with(' '));
        start = end + 1;
    }
    for (const char* current : currents)
        check(win::fullPathName(full, current) == full);
}

void checkNative(const std::string& path, const std::string& current, const std::string& full)
{
    const std::string native = win::nativePath(path, current);
    check(native.empty() == full.empty());
    if (full.empty())
        return;
    const std::string root = win::drivesRoot() + "/";
    check(native.compare(0, root.size(), root) == 0);
    const std::string below = native.substr(root.size());
    check(below.size() >= 2 && below[0] == std::tolower(static_cast<unsigned char>(full[0])) && below[1] == '/');
    check(below.find("/../") == std::string::npos && below.find("/./") == std::string::npos &&
          !below.ends_with("/..") && below.find("//") == std::string::npos);
    std::string windowsNames = full.substr(3);
    for (char& c : windowsNames)
        if (c == '\\')
            c = '/';
    check(win::ansiFromUtf8(below.substr(2)) == windowsNames);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("STYLARA_DRIVES", "/nonexistent/drives", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string current = currents[data[0] % 4];
    const std::string path(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string full = win::fullPathName(path, current);
    if (!full.empty())
        checkFullPath(full);
    checkNative(path, current, full);

    check(win::ansiFromUtf8(win::utf8FromAnsi(path)) == path);
    check(win::ansiFromWide(win::wideFromAnsi(path)) == path);
    check(win::ansiFromUtf8(path).size() <= path.size());
    return 0;
}
