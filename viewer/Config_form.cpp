#include "Config_form.h"

#include "About_form.h"
#include "Init.h"
#include "station/Tray_shared.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

Tform_config* form_config = nullptr;

namespace {

// The tray picture: a page of text with a seal, drawn so that no binary asset is needed.
QIcon trayPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 128), 1.5));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(6.5, 2.5, 19, 27));
    for (int y = 8; y <= 18; y += 4)
        painter.drawLine(10, y, 22, y);
    painter.setBrush(QColor(200, 30, 30));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(21, 24), 5, 5);
    return QIcon(pixmap);
}

QFont monospacedFont()
{
    QFont font;
    font.setFamilies({"Arial Monospaced", "Liberation Mono"});
    font.setPixelSize(15);
    return font;
}
} // namespace


Tform_config::Tform_config(QWidget* parent) : QWidget(parent)
{
    setWindowTitle("Stylara Config");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(644, 411);
    setWindowIcon(trayPicture());

    pm_main = new QMenu(this);
    about = pm_main->addAction("About");
    N1 = pm_main->addSeparator();
    shutdown = pm_main->addAction("Shutdown");
    connect(about, &QAction::triggered, this, ui::guarded([this] { aboutClick(); }));
    connect(shutdown, &QAction::triggered, this, ui::guarded([this] { shutdownClick(); }));

    trayicon = CreateTrayIcon(this, trayPicture(), "Norvane Stylara Signed PDF Viewer",
                              [this](Qt::MouseButton button, int x, int y) { trayiconMouseDown(button, x, y); });

    ServerSocket = new net::ServerSocket(this);
    connect(ServerSocket, &net::ServerSocket::ClientRead, this,
            ui::guarded([this](net::ServerConnection* connection) { ServerSocketClientRead(connection); }));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    re_text = new QPlainTextEdit(this);
    re_text->setReadOnly(true);
    re_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    re_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    re_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    re_text->setFont(monospacedFont());
    layout->addWidget(re_text);
    but_cancel = new QPushButton("Close", this);
    layout->addWidget(but_cancel, 0, Qt::AlignRight);
    connect(but_cancel, &QPushButton::clicked, this, ui::guarded([this] { but_cancelClick(); }));
}

Tform_config::~Tform_config() = default;

bool StartListening(int port)
{
    form_config->ServerSocket->Port = port;
    return form_config->ServerSocket->Open();
}

void Tform_config::trayiconMouseDown(Qt::MouseButton button, int x, int y) { TrayMouseDown(pm_main, button, x, y); }

void Tform_config::aboutClick() { ShowAboutBox(form_about, form_about->but_close); }

void Tform_config::shutdownClick()
{
    ServerSocket->Close();
    ui::setScreenCursor(ui::Cursor::Default);
    Close();
}

void Tform_config::but_cancelClick()
{
    CloseMainForm(this, ServerSocket->Active(), [this] { Close(); });
}

void Tform_config::FormClose()
{
    if (FileSocket.Active())
        FileSocket.Close();
}

void Tform_config::ServerSocketClientRead(net::ServerConnection* Socket)
{
    const std::string request = Socket->ReceiveText();
    if (request.rfind("TBTR ", 0) == 0)
        ViewSignedPdf(request);
    else if (request.rfind("TBCR ", 0) == 0)
        PrintTextRequest(request);
    else
        ErrorBox("Invalid data received.  Trying to sign with PDF viewer program?", "Norvane Stylara PDF Viewer");
}

void Tform_config::Close()
{
    FormClose();
    hide();
    ui::TerminateApplication();
}
