#include "PcRequest.h"

#include "Tcp.h"

#include <chrono>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace host {

PcRequest::PcRequest(const std::string& host, int port)
{
    std::string reason;
    m_fd = tcp::connectTo(host, port, &reason);
    if (m_fd < 0)
        throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port) + ": " + reason);
}

PcRequest::~PcRequest() { close(); }

void PcRequest::send(const std::string& bytes) { send(Reply{bytes}); }

void PcRequest::send(const Reply& paced)
{
    const auto wait = [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return true;
    };
    if (m_fd < 0 || !tcp::sendPaced(m_fd, paced, wait))
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
    return sendRequest(host, port, Reply{text});
}

bool sendRequest(const std::string& host, int port, const Reply& paced)
{
    try {
        PcRequest request(host, port);
        request.send(paced);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace host
