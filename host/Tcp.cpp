#include "Tcp.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace host::tcp {

int listenOn(int port)
{
    // Non-blocking, so taking a connection that went away before it was taken never waits.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (port < 0 || port > 65535 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        const int error = port < 0 || port > 65535 ? EINVAL : errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

int portOf(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

int connectTo(const std::string& host, int port, std::string* reason)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int error = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); error != 0) {
        if (reason)
            *reason = gai_strerror(error);
        return -1;
    }
    int fd = -1;
    for (addrinfo* address = found; address && fd < 0; address = address->ai_next) {
        fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd >= 0 && ::connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            if (reason)
                *reason = std::strerror(errno);
            ::close(fd);
            fd = -1;
        } else if (fd < 0 && reason) {
            *reason = std::strerror(errno);
        }
    }
    freeaddrinfo(found);
    return fd;
}

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

int writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

bool sendPaced(int fd, const Reply& reply, const std::function<bool(int milliseconds)>& wait)
{
    size_t from = 0;
    for (const Pause& pause : reply.pauses) {
        const size_t at = std::max(from, std::min(pause.at, reply.bytes.size()));
        if (!sendAll(fd, reply.bytes.data() + from, at - from) || !wait(pause.milliseconds))
            return false;
        from = at;
    }
    return sendAll(fd, reply.bytes.data() + from, reply.bytes.size() - from);
}

void setReset(int fd)
{
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
}

} // namespace host::tcp
