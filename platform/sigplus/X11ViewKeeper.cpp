#include "X11ViewKeeper.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace sigplus {

namespace {

constexpr uint32_t allDesktops = 0xFFFFFFFF;
// Requests that say they come from a pager: window managers grant those what they may refuse an
// application, such as raising a window that the user did not click.
constexpr uint32_t fromPager = 2;
constexpr uint32_t northWestGravity = 1;

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;
template <typename Reply> Owned<Reply> owned(Reply* reply) { return Owned<Reply>(reply, &std::free); }

const char* const atomNames[] = {
    "_NET_WM_STATE",
    "_NET_WM_STATE_STICKY",
    "_NET_WM_STATE_SHADED",
    "_NET_WM_STATE_BELOW",
    "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_FULLSCREEN",
    "_NET_WM_DESKTOP",
    "_NET_CURRENT_DESKTOP",
    "_NET_FRAME_EXTENTS",
    "_NET_MOVERESIZE_WINDOW",
    "_NET_RESTACK_WINDOW",
    "_NET_CLIENT_LIST_STACKING",
};

bool holds(const std::vector<uint32_t>& values, uint32_t value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

// A screen's free area in the window system's pixels.
QRect nativeArea(const QScreen* screen)
{
    const QRect area = screen->availableGeometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(QPoint(qRound(area.x() * ratio), qRound(area.y() * ratio)),
                 QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
}

// The size the window is made for, in the window system's pixels: its fixed size where it has one,
// since the toolkit takes over whatever size the window manager gave it.
QSize nativeSize(const QWidget& window)
{
    const QSize size = window.minimumSize() == window.maximumSize() ? window.minimumSize() : window.size();
    const qreal ratio = window.devicePixelRatioF();
    return QSize(qRound(size.width() * ratio), qRound(size.height() * ratio));
}

// The program's own windows other than the companion: a message box or the waiting box may lie over
// the pad on purpose, and the pad must not hide them.
bool ownWindow(xcb_window_t window, const QWidget* companion)
{
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget != companion && widget->isVisible() && widget->internalWinId() == window)
            return true;
    return false;
}

} // namespace

X11ViewKeeper::X11ViewKeeper(xcb_connection_t* connection) : m_connection(connection)
{
    static_assert(std::size(atomNames) == AtomCount);
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_intern_atom_cookie_t cookies[AtomCount];
    for (int i = 0; i < AtomCount; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(atomNames[i])), atomNames[i]);
    for (int i = 0; i < AtomCount; ++i)
        if (auto reply = owned(xcb_intern_atom_reply(connection, cookies[i], nullptr)))
            m_atoms[i] = reply->atom;
}

std::vector<uint32_t> X11ViewKeeper::property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    auto reply = owned(
        xcb_get_property_reply(m_connection, xcb_get_property(m_connection, 0, window, name, type, 0, 1024), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

void X11ViewKeeper::ask(xcb_window_t window, xcb_atom_t message, const std::array<uint32_t, 5>& data)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = message;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(m_connection, 0, m_root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

void X11ViewKeeper::changeState(xcb_window_t window, bool add, Atom state)
{
    ask(window, m_atoms[WmState], {add ? 1u : 0u, m_atoms[state], 0, fromPager, 0});
}

QRect X11ViewKeeper::frame(xcb_window_t window, QSize* client)
{
    const auto geometryCookie = xcb_get_geometry(m_connection, window);
    const auto placeCookie = xcb_translate_coordinates(m_connection, window, m_root, 0, 0);
    const std::vector<uint32_t> extents = property(window, m_atoms[FrameExtents], XCB_ATOM_CARDINAL);
    auto geometry = owned(xcb_get_geometry_reply(m_connection, geometryCookie, nullptr));
    auto place = owned(xcb_translate_coordinates_reply(m_connection, placeCookie, nullptr));
    if (!geometry || !place)
        return {};
    if (client)
        *client = QSize(geometry->width, geometry->height);
    // Left, right, top and bottom borders that the window manager puts around the window.
    const int left = extents.size() == 4 ? static_cast<int>(extents[0]) : 0;
    const int right = extents.size() == 4 ? static_cast<int>(extents[1]) : 0;
    const int top = extents.size() == 4 ? static_cast<int>(extents[2]) : 0;
    const int bottom = extents.size() == 4 ? static_cast<int>(extents[3]) : 0;
    return QRect(place->dst_x - left, place->dst_y - top, geometry->width + left + right,
                 geometry->height + top + bottom);
}

bool X11ViewKeeper::viewable(xcb_window_t window)
{
    auto attributes =
        owned(xcb_get_window_attributes_reply(m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

void X11ViewKeeper::keepInView(QWidget& window, const QWidget* companion)
{
    const xcb_window_t pad = static_cast<xcb_window_t>(window.internalWinId());
    if (!pad || !window.isVisible())
        return;
    const std::vector<uint32_t> states = property(pad, m_atoms[WmState], XCB_ATOM_ATOM);
    const std::vector<uint32_t> desktop = property(pad, m_atoms[WmDesktop], XCB_ATOM_CARDINAL);
    const std::vector<uint32_t> current = property(m_root, m_atoms[CurrentDesktop], XCB_ATOM_CARDINAL);

    // Brought to the desktop shown first, so that a window manager without windows on every desktop
    // still shows it, then put on every desktop, where the signer finds it after switching. A window
    // manager may record a window sent to another desktop as on every desktop and still leave it
    // unmapped there; sent to the desktop shown, it is mapped again.
    const bool onEveryDesktop = !desktop.empty() && desktop[0] == allDesktops;
    if (!desktop.empty() && (!onEveryDesktop || !viewable(pad))) {
        if (!current.empty() && desktop[0] != current[0])
            ask(pad, m_atoms[WmDesktop], {current[0], fromPager, 0, 0, 0});
        ask(pad, m_atoms[WmDesktop], {allDesktops, fromPager, 0, 0, 0});
    }
    // On every desktop already, the pad needs no sticky state, which some window managers never set.
    if (!onEveryDesktop && !holds(states, m_atoms[Sticky]))
        changeState(pad, true, Sticky);
    if (holds(states, m_atoms[Shaded]))
        changeState(pad, false, Shaded);
    if (holds(states, m_atoms[Below]))
        changeState(pad, false, Below);
    if (!holds(states, m_atoms[Above]))
        changeState(pad, true, Above);
    // A window the window manager has iconified is brought back by mapping it again.
    if (holds(states, m_atoms[Hidden]))
        xcb_map_window(m_connection, pad);

    // A full-screen window lies above every window of the layer that stays on top; only a window
    // tied to it as its transient stays above it.
    const xcb_window_t companionWindow =
        companion && companion->isVisible() ? static_cast<xcb_window_t>(companion->internalWinId()) : XCB_NONE;
    const bool fullscreen =
        companionWindow && holds(property(companionWindow, m_atoms[WmState], XCB_ATOM_ATOM), m_atoms[Fullscreen]);
    tieTo(pad, fullscreen ? companionWindow : XCB_NONE);

    QSize client;
    const QRect padFrame = frame(pad, &client);
    if (!padFrame.isEmpty()) {
        keepOnScreen(pad, padFrame, client, nativeSize(window), companion);
        if (coveredAbove(pad, padFrame, companion))
            ask(pad, m_atoms[Restack], {fromPager, XCB_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
    }
    xcb_flush(m_connection);
}

void X11ViewKeeper::keepOnScreen(xcb_window_t window, const QRect& padFrame, const QSize& client, const QSize& size,
                                 const QWidget* companion)
{
    // Some window managers grow a window by its title bar at every move that leaves the size out; the
    // pad's drawing and its touch areas then no longer meet, so its own size is asked for as well.
    const bool sized = client == size;
    const QScreen* best = nullptr;
    long bestOverlap = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = nativeArea(screen);
        if (area.contains(padFrame) && sized)
            return;
        const QRect overlap = area & padFrame;
        if (const long overlapArea = static_cast<long>(overlap.width()) * overlap.height(); overlapArea > bestOverlap) {
            best = screen;
            bestOverlap = overlapArea;
        }
    }
    // Wholly off every screen, it goes to the screen the signer reads the document on.
    if (!best)
        best = companion && companion->isVisible() ? companion->screen() : QGuiApplication::primaryScreen();
    if (!best)
        return;
    const QRect area = nativeArea(best);
    const int x = std::max(area.left(), std::min(padFrame.left(), area.left() + area.width() - padFrame.width()));
    const int y = std::max(area.top(), std::min(padFrame.top(), area.top() + area.height() - padFrame.height()));
    // North-west gravity: the position is that of the frame's outer corner.
    ask(window, m_atoms[MoveResize],
        {northWestGravity | 1u << 8 | 1u << 9 | 1u << 10 | 1u << 11 | fromPager << 12, static_cast<uint32_t>(x),
         static_cast<uint32_t>(y), static_cast<uint32_t>(size.width()), static_cast<uint32_t>(size.height())});
}

bool X11ViewKeeper::coveredAbove(xcb_window_t window, const QRect& padFrame, const QWidget* companion)
{
    const std::vector<uint32_t> stacking = property(m_root, m_atoms[ClientListStacking], XCB_ATOM_WINDOW);
    const auto at = std::find(stacking.begin(), stacking.end(), window);
    if (at == stacking.end())
        return false;
    for (auto above = at + 1; above != stacking.end(); ++above)
        if (!ownWindow(*above, companion) && viewable(*above) && frame(*above).intersects(padFrame))
            return true;
    return false;
}

void X11ViewKeeper::tieTo(xcb_window_t window, xcb_window_t companion)
{
    if (companion == m_tiedTo)
        return;
    if (companion)
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32,
                            1, &companion);
    else
        xcb_delete_property(m_connection, window, XCB_ATOM_WM_TRANSIENT_FOR);
    m_tiedTo = companion;
}

void X11ViewKeeper::letGo(QWidget& window)
{
    if (const auto pad = static_cast<xcb_window_t>(window.internalWinId()); pad && m_tiedTo) {
        tieTo(pad, XCB_NONE);
        xcb_flush(m_connection);
    }
}

} // namespace sigplus
