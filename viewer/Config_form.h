#pragma once

#include "net/Sockets.h"
#include "print/PrintDialog.h"

#include <QWidget>

#include <string>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSystemTrayIcon;

// The viewer's main form, never shown at start: the tray icon with its menu, the request listener,
// the two connections to the host, and the text of the last print request with its print dialog.
class Tform_config : public QWidget {
public:
    explicit Tform_config(QWidget* parent = nullptr);
    ~Tform_config() override;

    void trayiconMouseDown(Qt::MouseButton button, int x, int y);
    void aboutClick();
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
    QAction* N1 = nullptr;
    QAction* shutdown = nullptr;
    net::ServerSocket* ServerSocket = nullptr;
    net::ClientSocket ClientSocket;
    net::ClientSocket FileSocket;
    QPlainTextEdit* re_text = nullptr;
    print::PrintDialog PrintDialog1;
    QPushButton* but_cancel = nullptr;
};

extern Tform_config* form_config;

bool StartListening(int port);

// The two requests, each given the whole request text: "TBTR " shows a signed PDF, "TBCR " prints a
// text document.
void ViewSignedPdf(const std::string& request);
void PrintTextRequest(const std::string& request);

