#pragma once

#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>

class QWidget;

namespace ui {

// The application's title, used as the caption of its error box.
void setApplicationTitle(const std::string& title);
const std::string& applicationTitle();

// The application's error box for an exception that left an event handler: the message with a full
// stop added when it ends in none, under the application title, with the error icon.
void showException(const std::exception& error);

// The event-dispatch boundary: runs one handler; a class-library error (or any other exception) ends
// the handler and is shown in the application's error box, and the program goes on.
void runHandler(const std::function<void()>& handler);

// The entry's own boundary around the set-up, the forms and the message loop: an exception that gets
// this far is shown in the application's error box and the program then ends. Only the class
// library's error brings its message; any other is shown as an error with an empty message.
void runEntry(const std::function<void()>& steps);

// Calls a handler with the signal's arguments, or with none when it takes none.
template <typename F, typename... Args>
void callHandler(const F& handler, Args&&... args)
{
    if constexpr (std::is_invocable_v<const F&, Args...>)
        handler(std::forward<Args>(args)...);
    else
        handler();
}

// Wraps a handler so that it can be connected to a Qt signal and never lets an exception through; a
// handler that takes no arguments ignores the signal's.
template <typename F>
auto guarded(F handler)
{
    return [handler](auto&&... args) { runHandler([&] { callHandler(handler, args...); }); };
}

// The application's end (the class library's Terminate): set when the main form closes; before the
// message loop runs it keeps the loop from starting at all. Reset starts a new run, for tests that
// create the forms again.
void TerminateApplication();
bool ApplicationTerminated();
void ResetApplication();

// The screen cursor of the class library: the hourglass or the default.
enum class Cursor { Default, Hourglass };
void setScreenCursor(Cursor cursor);
Cursor screenCursor();

// The platform's bring-to-front steps on one window: raise the application, activate, enable and
// focus. Tests read which window was brought to the front last and how often.
void bringToFront(QWidget* window);
QWidget* lastWindowBroughtToFront();
int bringToFrontCount();

// MessageBeep and the class library's Beep: the system sound; tests count them.
void MessageBeep(unsigned type);
int beepCount();

} // namespace ui
