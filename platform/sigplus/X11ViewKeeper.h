#pragma once

#include "ViewKeeper.h"

#include <QRect>
#include <QSize>

#include <xcb/xcb.h>

#include <array>
#include <vector>

namespace sigplus {

// The keeper of an X11 desktop: it reads the window manager's own record of the window (its desktop,
// its states, its frame) and asks for changes as Extended Window Manager Hints (EWMH) prescribe, by
// messages to the root window, so that any window manager that follows those hints carries them out.
class X11ViewKeeper : public ViewKeeper {
public:
    explicit X11ViewKeeper(xcb_connection_t* connection);

    void keepInView(QWidget& window, const QWidget* companion) override;
    void letGo(QWidget& window) override;

private:
    enum Atom {
        WmState,
        Sticky,
        Shaded,
        Below,
        Above,
        Hidden,
        Fullscreen,
        WmDesktop,
        CurrentDesktop,
        FrameExtents,
        MoveResize,
        Restack,
        ClientListStacking,
        AtomCount
    };

    std::vector<uint32_t> property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type);
    void ask(xcb_window_t window, xcb_atom_t message, const std::array<uint32_t, 5>& data);
    void changeState(xcb_window_t window, bool add, Atom state);
    // The window's outer frame in root coordinates, and its own size in client where asked; empty when
    // the window is gone.
    QRect frame(xcb_window_t window, QSize* client = nullptr);
    bool viewable(xcb_window_t window);
    // Moves the window back onto a screen at the size it is made for, where it lies off the screens or
    // the window manager gave it another size than that (client, its size now).
    void keepOnScreen(xcb_window_t window, const QRect& frame, const QSize& client, const QSize& size,
                      const QWidget* companion);
    bool coveredAbove(xcb_window_t window, const QRect& frame, const QWidget* companion);
    void tieTo(xcb_window_t window, xcb_window_t companion);

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
    std::array<xcb_atom_t, AtomCount> m_atoms{};
    xcb_window_t m_tiedTo = XCB_NONE;
};

} // namespace sigplus
