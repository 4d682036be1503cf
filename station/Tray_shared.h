#pragma once

#include <Qt>

#include <functional>

class QMenu;
class QWidget;

// The tray handlers of both programs' main forms, with the form's own menu, About box and listener
// state as arguments.

// Only the right button does anything: the menu opens at the position the tray reports.
void TrayMouseDown(QMenu* menu, Qt::MouseButton button, int x, int y);
// The About box as a normal window, its Close button focused.
void ShowAboutBox(QWidget* about, QWidget* closeButton);
// The main form's "Close": hidden while the listener runs, else closed, which ends the program.
void CloseMainForm(QWidget* form, bool listening, const std::function<void()>& close);
