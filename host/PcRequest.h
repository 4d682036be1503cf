#pragma once

#include "Reply.h"

#include <string>

namespace host {

// The host's side of the PC's request port: one connection to the PC that carries a request.
class PcRequest {
public:
    // Connects; raises std::runtime_error when the PC cannot be reached.
    PcRequest(const std::string& host, int port);
    ~PcRequest();
    PcRequest(const PcRequest&) = delete;
    PcRequest& operator=(const PcRequest&) = delete;

    // Sends the bytes as they stand; a request sent in two parts arrives as two deliveries when the
    // PC has read the first before the second comes.
    void send(const std::string& bytes);
    // Sends the bytes piece by piece at their pauses (its end is not used).
    void send(const Reply& paced);
    // What the PC has sent back so far, without waiting.
    std::string received();
    void close();

private:
    int m_fd = -1;
    std::string m_received;
};

// Connects, sends one request text and closes; false when the PC cannot be reached.
bool sendRequest(const std::string& host, int port, const std::string& text);
bool sendRequest(const std::string& host, int port, const Reply& paced);

} // namespace host
