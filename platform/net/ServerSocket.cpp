#include "ServerSocket.h"

#include "ServerConnection.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>

namespace net {

ServerSocket::ServerSocket(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ServerSocket::accept);
}

ServerSocket::~ServerSocket() = default;

bool ServerSocket::Active() const { return m_server->isListening(); }

bool ServerSocket::Open()
{
    if (Port < 0 || Port > 65535)
        return false;
    if (m_server->isListening()) {
        if (m_server->serverPort() == Port)
            return true;
        m_server->close();
    }
    return m_server->listen(QHostAddress::AnyIPv4, static_cast<quint16>(Port));
}

void ServerSocket::Close()
{
    m_server->close();
    for (ServerConnection* connection : m_connections)
        connection->Close();
    releaseClosed();
}

void ServerSocket::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        auto* connection = new ServerConnection(socket, this);
        m_connections.push_back(connection);
        connect(socket, &QTcpSocket::readyRead, connection, [this, connection] { deliver(connection); });
        connect(socket, &QTcpSocket::disconnected, this, &ServerSocket::releaseClosed, Qt::QueuedConnection);
    }
    releaseClosed();
}

void ServerSocket::deliver(ServerConnection* connection)
{
    ++m_delivering;
    struct Leave {
        ServerSocket* listener;
        ~Leave()
        {
            if (--listener->m_delivering == 0)
                listener->releaseClosed();
        }
    } leave{this};
    emit ClientRead(connection);
}

void ServerSocket::releaseClosed()
{
    // A handler that waits in a message box may still hold its connection: nothing goes while one runs.
    if (m_delivering > 0)
        return;
    auto closed = std::stable_partition(m_connections.begin(), m_connections.end(),
                                        [](ServerConnection* connection) { return connection->Connected(); });
    for (auto it = closed; it != m_connections.end(); ++it)
        (*it)->deleteLater();
    m_connections.erase(closed, m_connections.end());
}

} // namespace net
