#pragma once

#include <memory>

class QWidget;

namespace sigplus {

// What a window manager can do to a window without the toolkit noticing: put it on another desktop,
// shade it, set it below the others, leave it off the screen, or let a full-screen window cover it.
// A keeper undoes that for one window; the one for this desktop is chosen once, and where the window
// system tells nothing of the kind (offscreen, Wayland) it does nothing.
class ViewKeeper {
public:
    virtual ~ViewKeeper() = default;

    // Puts the window in view: on the desktop shown, on every desktop where the window manager allows,
    // not shaded, not below, inside a screen's free area, and above the companion window (the one
    // the signer reads), also when the companion is made full screen.
    virtual void keepInView(QWidget& /*window*/, const QWidget* /*companion*/) {}
    // Gives up what keepInView tied the window to beyond the desktop (its tie to the companion).
    virtual void letGo(QWidget& /*window*/) {}

    static std::unique_ptr<ViewKeeper> forThisDesktop();
};

} // namespace sigplus
