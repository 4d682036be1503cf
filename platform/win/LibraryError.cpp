#include "LibraryError.h"

namespace win {

std::string formatMessage(const std::string& pattern, const std::string& argument)
{
    const auto at = pattern.find('%');
    if (at == std::string::npos || at + 1 >= pattern.size())
        return pattern;
    return pattern.substr(0, at) + argument + pattern.substr(at + 2);
}

std::string formatMessage(const std::string& pattern, long argument)
{
    return formatMessage(pattern, std::to_string(argument));
}

} // namespace win
