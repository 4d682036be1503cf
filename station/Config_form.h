#pragma once

#include "net/Sockets.h"

#include <QWidget>

class QAction;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class TAdvPicture;

// The main form, never shown: the tray icon with its menu, the request listener and the two
// connections to the host.
class Tform_config : public QWidget {
public:
    explicit Tform_config(QWidget* parent = nullptr);
    ~Tform_config() override;

    void trayiconMouseDown(Qt::MouseButton button, int x, int y);
    void aboutClick();
    void Preferences1Click();
    void shutdownClick();
    void but_cancelClick();
    void FormClose();
    // The listener's read event: the host's request on one of its connections.
    void ServerSocketClientRead(net::ServerConnection* Socket);

    // The class library's Close of the main form: FormClose, then the program ends.
    void Close();

    QSystemTrayIcon* trayicon = nullptr;
    QMenu* pm_main = nullptr;
    QAction* about = nullptr;
    QAction* Preferences1 = nullptr;
    QAction* N1 = nullptr;
    QAction* shutdown = nullptr;
    net::ServerSocket* ServerSocket = nullptr;
    net::ClientSocket ClientSocket;
    net::ClientSocket FileSocket;
    QPushButton* but_cancel = nullptr;
    TAdvPicture* AdvPicture1 = nullptr; // holds no picture, so it draws nothing
};

extern Tform_config* form_config;

bool StartListening(int port);

