#pragma once

#include <QObject>

#include <string>

class QTcpSocket;

namespace net {

class ServerSocket;

// One connection that a peer made to the listener. The listener owns it and lets it go once the
// peer has closed it and no read event is running.
class ServerConnection : public QObject {
    Q_OBJECT

public:
    ~ServerConnection() override;

    // Every byte that has arrived and not yet been taken.
    std::string ReceiveText();
    std::string RemoteAddress() const;
    bool Connected() const;
    void Close();

private:
    friend class ServerSocket;
    ServerConnection(QTcpSocket* socket, ServerSocket* listener);

    QTcpSocket* m_socket;
};

} // namespace net
