#include "Tray_shared.h"

#include <QMenu>
#include <QWidget>

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
