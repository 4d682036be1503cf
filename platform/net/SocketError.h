#pragma once

#include "win/LibraryError.h"

#include <string>

namespace net {

// The class library's socket error: raised by a client connection that cannot connect or send, and
// left to the handler that called it unless the caller catches it.
class SocketError : public win::LibraryError {
public:
    explicit SocketError(const std::string& message) : win::LibraryError(message) {}
};

} // namespace net
