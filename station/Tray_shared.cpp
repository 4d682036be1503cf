#include "Tray_shared.h"

#include "ui/Application.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

QSystemTrayIcon* CreateTrayIcon(QWidget* form, const QIcon& picture, const char* hint,
                                std::function<void(Qt::MouseButton, int, int)> mouseDown)
{
    auto* tray = new QSystemTrayIcon(picture, form);
    tray->setToolTip(hint);
    QObject::connect(tray, &QSystemTrayIcon::activated, form,
                     ui::guarded([mouseDown = std::move(mouseDown)](QSystemTrayIcon::ActivationReason why) {
                         if (why == QSystemTrayIcon::Context) {
                             const QPoint at = QCursor::pos();
                             mouseDown(Qt::RightButton, at.x(), at.y());
                         }
                     }));
    if (QSystemTrayIcon::isSystemTrayAvailable())
        tray->show();
    return tray;
}

void TrayMouseDown(QMenu* menu, Qt::MouseButton button, int x, int y)
{
    if (button == Qt::RightButton)
        menu->popup(QPoint(x, y));
}

void ShowAboutBox(QWidget* about, QWidget* closeButton)
{
    about->show();
    closeButton->setFocus();
}

void CloseMainForm(QWidget* form, bool listening, const std::function<void()>& close)
{
    if (listening)
        form->hide();
    else
        close();
}
