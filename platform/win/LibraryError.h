#pragma once

#include <stdexcept>
#include <string>

namespace win {

// The class library's own exception: raised by the layers for the errors the programs leave uncaught
// ("Unable to write to %s", "'%s' is not a valid integer value", ...). The event dispatch catches it,
// ends the handler and shows the application's error box.
class LibraryError : public std::runtime_error {
public:
    explicit LibraryError(const std::string& message) : std::runtime_error(message) {}
};

// Formats one of the class library's messages with a single "%s" or "%d" in it.
std::string formatMessage(const std::string& pattern, const std::string& argument);
std::string formatMessage(const std::string& pattern, long argument);

} // namespace win
