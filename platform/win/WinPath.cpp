#include "WinPath.h"

#include <cctype>
#include <cstdlib>

namespace win {

std::string drivesRoot()
{
    if (const char* root = std::getenv("STYLARA_DRIVES"); root && *root)
        return root;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.stylara/drives";
}

static std::string slashes(std::string text)
{
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return text;
}

std::string nativePath(const std::string& windowsPath)
{
    const bool hasDrive = windowsPath.size() >= 2 && windowsPath[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(windowsPath[0]));
    if (!hasDrive)
        return slashes(windowsPath);
    std::string rest = windowsPath.substr(2);
    if (rest.empty() || (rest[0] != '\\' && rest[0] != '/'))
        rest.insert(rest.begin(), '/');
    const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
    return drivesRoot() + "/" + drive + slashes(rest);
}

std::string directoryPart(const std::string& windowsPath)
{
    const auto last = windowsPath.find_last_of("\\:");
    return last == std::string::npos ? std::string() : windowsPath.substr(0, last + 1);
}

} // namespace win
