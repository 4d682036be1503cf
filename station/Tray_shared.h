#pragma once

#include <Qt>

#include <functional>

class QIcon;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray handlers of both programs' main forms, with the form's own menu, About box and listener
// state as arguments.

// The main form's tray icon with its hint, shown where the desktop has a tray. The menu opens only
// through the form's mouse-down handler (given the cursor position), never by the tray on its own,
// and a double-click shows no form.
QSystemTrayIcon* CreateTrayIcon(QWidget* form, const QIcon& picture, const char* hint,
                                std::function<void(Qt::MouseButton, int, int)> mouseDown);

// Only the right button does anything: the menu opens at the position the tray reports.
void TrayMouseDown(QMenu* menu, Qt::MouseButton button, int x, int y);
// The About box as a normal window, its Close button focused.
void ShowAboutBox(QWidget* about, QWidget* closeButton);
// The main form's "Close": hidden while the listener runs, else closed, which ends the program.
void CloseMainForm(QWidget* form, bool listening, const std::function<void()>& close);
