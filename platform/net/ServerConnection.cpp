#include "ServerConnection.h"

#include "ServerSocket.h"

#include <QTcpSocket>

namespace net {

ServerConnection::ServerConnection(QTcpSocket* socket, ServerSocket* listener) : QObject(listener), m_socket(socket)
{
    m_socket->setParent(this);
}

ServerConnection::~ServerConnection() = default;

std::string ServerConnection::ReceiveText()
{
    const QByteArray bytes = m_socket->readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string ServerConnection::RemoteAddress() const
{
    QHostAddress address = m_socket->peerAddress();
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString().toStdString() : address.toString().toStdString();
}

bool ServerConnection::Connected() const { return m_socket->state() == QAbstractSocket::ConnectedState; }

void ServerConnection::Close() { m_socket->close(); }

} // namespace net
