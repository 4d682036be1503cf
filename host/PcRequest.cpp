#include "PcRequest.h"

#include "Tcp.h"

#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace host {

PcRequest::PcRequest(const std::string& host, int port) : m_fd(tcp::connectTo(host, port))
{
    if (m_fd < 0)
        throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port));
}

PcRequest::~PcRequest() { close(); }

void PcRequest::send(const std::string& bytes)
{
    if (m_fd < 0 || !tcp::sendAll(m_fd, bytes))
        throw std::runtime_error("the request could not be sent");
}

std::string PcRequest::received()
{
    char buffer[4096];
    ssize_t got;
    while (m_fd >= 0 && (got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
        m_received.append(buffer, static_cast<size_t>(got));
    return m_received;
}

void PcRequest::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool sendRequest(const std::string& host, int port, const std::string& text)
{
    try {
        PcRequest request(host, port);
        request.send(text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace host
