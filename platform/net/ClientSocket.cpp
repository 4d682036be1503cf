#include "ClientSocket.h"

#include "SocketError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {

namespace {

[[noreturn]] void raise(const char* api, int error)
{
    throw SocketError("Socket error: " + std::string(std::strerror(error)) + " (" + std::to_string(error) +
                      "), on API '" + api + "'");
}

} // namespace

ClientSocket::~ClientSocket() { Close(); }

void ClientSocket::Open()
{
    Close();
    if (Port <= 0 || Port > 65535)
        raise("connect", EINVAL);
    addrinfo hints{};
    // The host's protocol is IPv4: the station sends its dotted address as its id.
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(Host.c_str(), std::to_string(Port).c_str(), &hints, &found);
    if (lookup != 0 || !found)
        throw SocketError("Socket error: " + std::string(gai_strerror(lookup)) + ", on API 'gethostbyname'");
    int error = ECONNREFUSED;
    for (addrinfo* address = found; address; address = address->ai_next) {
        const int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        int result;
        do
            result = ::connect(fd, address->ai_addr, address->ai_addrlen);
        while (result < 0 && errno == EINTR);
        if (result == 0) {
            m_fd = fd;
            break;
        }
        error = errno;
        ::close(fd);
    }
    freeaddrinfo(found);
    if (m_fd < 0)
        raise("connect", error);
}

void ClientSocket::Close()
{
    m_buffer.Clear();
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

void ClientSocket::Abort()
{
    if (m_fd < 0)
        return;
    const linger reset{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    Close();
}

bool ClientSocket::PeerClosed() const
{
    if (m_fd < 0)
        return false;
    char next;
    ssize_t peeked;
    do
        peeked = ::recv(m_fd, &next, 1, MSG_PEEK | MSG_DONTWAIT);
    while (peeked < 0 && errno == EINTR);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

void ClientSocket::SendText(const std::string& text) { SendBuf(text.data(), static_cast<int>(text.size())); }

void ClientSocket::SendBuf(const char* data, int size)
{
    if (m_fd < 0)
        raise("send", ENOTCONN);
    while (size > 0) {
        // A peer that has gone must give an error here, not a signal that ends the program.
        const ssize_t sent = ::send(m_fd, data, static_cast<size_t>(size), MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            raise("send", errno);
        }
        data += sent;
        size -= static_cast<int>(sent);
    }
}

int ClientSocket::ReceiveBuf(char* buffer, int size)
{
    if (m_fd < 0 || size < 0)
        return -1;
    for (;;) {
        const ssize_t received = ::recv(m_fd, buffer, static_cast<size_t>(size), 0);
        if (received >= 0)
            return static_cast<int>(received);
        if (errno != EINTR)
            return -1;
    }
}

std::string ClientSocket::LocalAddress() const
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET)
        return "";
    char dotted[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &local.sin_addr, dotted, sizeof dotted);
    return dotted;
}

} // namespace net
