#pragma once

#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <string>

// Socket components. This first cut is the minimal listener the start-up needs; the line protocol's
// blocking client connection and the full listener replace it.
namespace net {

class ClientSocket {
public:
    bool Active() const { return m_active; }
    void Close() { m_active = false; }

private:
    bool m_active = false;
};

class ServerSocket : public QObject {
public:
    explicit ServerSocket(QObject* parent = nullptr) : QObject(parent) {}
    int Port = 0;
    bool Active() const { return m_server.isListening(); }
    // Listens on every address; false when the port cannot be opened.
    bool Open() { return m_server.isListening() || m_server.listen(QHostAddress::Any, static_cast<quint16>(Port)); }
    void Close() { m_server.close(); }

private:
    QTcpServer m_server;
};

} // namespace net
