#pragma once

#include <QObject>

#include <vector>

class QTcpServer;

namespace net {

class ServerConnection;

// The non-blocking listener: it accepts connections on Port and reports every delivery of bytes
// with a read event on the GUI thread.
class ServerSocket : public QObject {
    Q_OBJECT

public:
    explicit ServerSocket(QObject* parent = nullptr);
    ~ServerSocket() override;

    int Port = 0;

    bool Active() const;
    // Listens on every address of the machine; false on any failure (a port in use, a port out of range).
    bool Open();
    // Stops listening and closes the connections that are still open.
    void Close();

signals:
    // One delivery of bytes on a connection; the connection stays valid while the handler runs.
    void ClientRead(net::ServerConnection* connection);

private:
    void accept();
    void deliver(ServerConnection* connection);
    void releaseClosed();

    QTcpServer* m_server;
    std::vector<ServerConnection*> m_connections;
    int m_delivering = 0;
};

} // namespace net
