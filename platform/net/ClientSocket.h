#pragma once

#include "ReceiveBuffer.h"

#include <string>

namespace net {

// A blocking client connection: every call waits until the network has done its part, on the
// caller's thread. Not copyable; it owns its connection.
class ClientSocket {
public:
    ClientSocket() = default;
    ~ClientSocket();
    ClientSocket(const ClientSocket&) = delete;
    ClientSocket& operator=(const ClientSocket&) = delete;

    std::string Host; // a name or a dotted address
    int Port = 0;

    bool Active() const { return m_fd >= 0; }
    // Connects to Host and Port (closing a connection that is still open first); raises SocketError
    // when no connection can be made.
    void Open();
    // An orderly close: the peer reads the end of the data. Bytes read ahead and not yet used go with
    // the connection, here and when Open replaces it.
    void Close();
    // Resets the connection, so that the peer sees a failure rather than an end of data.
    void Abort();
    // True when the peer has ended the open connection (its end of data or a reset is waiting and no
    // byte before it); a connection that is not open has not been ended by the peer. Does not wait.
    bool PeerClosed() const;

    // Sends every byte or raises SocketError.
    void SendText(const std::string& text);
    void SendBuf(const char* data, int size);
    // Receives up to size bytes: the number received, 0 once the peer has closed the connection, -1
    // on a failure (also when the connection is not open).
    int ReceiveBuf(char* buffer, int size);

    // The local address of the connection in dotted form; empty when not connected.
    std::string LocalAddress() const;

    // The line reader's read-ahead on this connection.
    ReceiveBuffer& Buffer() { return m_buffer; }

private:
    int m_fd = -1;
    ReceiveBuffer m_buffer;
};

} // namespace net
