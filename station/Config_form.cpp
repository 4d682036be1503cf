#include "Config_form.h"
#include "Tray_shared.h"

#include "Globals.h"
#include "About_form.h"
#include "Pref_form.h"
#include "acrobat/Acrobat.h"
#include "components/AdvPicture.h"
#include "signing/Adobe_form.h"
#include "sigplus/SigPlus.h"
#include "ui/Application.h"

#include <QAction>
#include <QLineEdit>
#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSystemTrayIcon>

Tform_config* form_config = nullptr;

namespace {

// The tray picture: a pen over a signature line, drawn so that no binary asset is needed.
QIcon trayPicture()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 128), 2));
    painter.drawLine(3, 27, 29, 27);
    QPainterPath ink;
    ink.moveTo(4, 22);
    ink.cubicTo(8, 8, 12, 26, 16, 16);
    ink.cubicTo(19, 10, 22, 24, 27, 14);
    painter.drawPath(ink);
    painter.setBrush(QColor(200, 30, 30));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygon({QPoint(27, 14), QPoint(31, 4), QPoint(29, 3), QPoint(25, 13)}));
    return QIcon(pixmap);
}
} // namespace


Tform_config::Tform_config(QWidget* parent) : QWidget(parent)
{
    setWindowTitle("Stylara Config");
    for (std::string& line : globals.ApprovalLines)
        line.clear();

    pm_main = new QMenu(this);
    about = pm_main->addAction("About");
    Preferences1 = pm_main->addAction("Preferences");
    N1 = pm_main->addSeparator();
    shutdown = pm_main->addAction("Shutdown");
    connect(about, &QAction::triggered, this, ui::guarded([this] { aboutClick(); }));
    connect(Preferences1, &QAction::triggered, this, ui::guarded([this] { Preferences1Click(); }));
    connect(shutdown, &QAction::triggered, this, ui::guarded([this] { shutdownClick(); }));

    trayicon = CreateTrayIcon(this, trayPicture(), "Norvane Stylara",
                              [this](Qt::MouseButton button, int x, int y) { trayiconMouseDown(button, x, y); });

    ServerSocket = new net::ServerSocket(this);
    ServerSocket->Port = 6011;
    connect(ServerSocket, &net::ServerSocket::ClientRead, this,
            ui::guarded([this](net::ServerConnection* connection) { ServerSocketClientRead(connection); }));

    but_cancel = new QPushButton("Close", this);
    connect(but_cancel, &QPushButton::clicked, this, ui::guarded([this] { but_cancelClick(); }));
    AdvPicture1 = new TAdvPicture(this);
}

Tform_config::~Tform_config() = default;

bool StartListening(int port)
{
    globals.AcrobatLoaded = false;
    form_config->ServerSocket->Port = port;
    return form_config->ServerSocket->Open();
}

void Tform_config::trayiconMouseDown(Qt::MouseButton button, int x, int y) { TrayMouseDown(pm_main, button, x, y); }

void Tform_config::aboutClick() { ShowAboutBox(form_about, form_about->but_close); }

void Tform_config::Preferences1Click()
{
    form_pref->show();
    form_pref->ed_hor->setFocus();
}

void Tform_config::shutdownClick()
{
    if (form_adobe->isVisible())
        form_adobe->Close();
    if (form_adobe->isVisible())
        return; // the user kept the document: the station runs on
    ServerSocket->Close();
    ui::setScreenCursor(ui::Cursor::Default);
    Close();
}

void Tform_config::but_cancelClick() { CloseMainForm(this, ServerSocket->Active(), [this] { Close(); }); }

void Tform_config::FormClose()
{
    if (globals.TabletPresent) {
        form_adobe->SigPlus1->LCDSetWindow(0, 0, 0, 0);
        form_adobe->SigPlus1->LCDRefresh(0, 0, 0, 240, 64);
    }
    if (form_adobe->AcroApp) {
        form_adobe->AcroApp->CloseAllDocs();
        form_adobe->AcroApp->Exit();
    }
    if (ClientSocket.Active())
        ClientSocket.Close();
    if (FileSocket.Active())
        FileSocket.Close();
}

void Tform_config::Close()
{
    FormClose();
    hide();
    ui::TerminateApplication();
}
