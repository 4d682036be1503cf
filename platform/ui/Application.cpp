#include "Application.h"

#include "MessageBox.h"
#include "win/LibraryError.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace ui {

namespace {
std::string title;
Cursor cursorNow = Cursor::Default;
QPointer<QWidget> lastFront;
int fronts = 0;
int beeps = 0;
bool terminated = false;
} // namespace

void TerminateApplication()
{
    terminated = true;
    QApplication::quit();
}

bool ApplicationTerminated() { return terminated; }

void ResetApplication() { terminated = false; }

void setApplicationTitle(const std::string& newTitle)
{
    // Kept apart from Qt's display name: the platform would append that to every window's caption.
    title = newTitle;
}

const std::string& applicationTitle() { return title; }

void showException(const std::exception& error)
{
    std::string message = error.what();
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    MessageBox(message, title, MB_OK | MB_ICONERROR);
}

namespace {

// Runs steps and shows what escapes them; a message other than the class library's is shown only
// when foreignMessages is set, else the error is shown with an empty message.
void runShowing(const std::function<void()>& steps, bool foreignMessages)
{
    try {
        steps();
    } catch (const win::LibraryError& error) {
        showException(error);
    } catch (const std::exception& error) {
        if (foreignMessages)
            showException(error);
        else
            showException(std::runtime_error(""));
    } catch (...) {
        showException(std::runtime_error(""));
    }
}

} // namespace

void runHandler(const std::function<void()>& handler) { runShowing(handler, true); }

void runEntry(const std::function<void()>& steps) { runShowing(steps, false); }

void setScreenCursor(Cursor cursor)
{
    if (cursor == cursorNow)
        return;
    cursorNow = cursor;
    if (!qApp)
        return;
    if (cursor == Cursor::Hourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
}

Cursor screenCursor() { return cursorNow; }

void bringToFront(QWidget* window)
{
    ++fronts;
    lastFront = window;
    // A hidden form keeps its place: the platform's calls do nothing visible to one.
    if (!window || !window->isVisible())
        return;
    window->raise();
    window->activateWindow();
    window->setEnabled(true);
    window->setFocus();
}

QWidget* lastWindowBroughtToFront() { return lastFront; }

int bringToFrontCount() { return fronts; }

void MessageBeep(unsigned /*type*/)
{
    ++beeps;
    if (qApp)
        QApplication::beep();
}

int beepCount() { return beeps; }

} // namespace ui
