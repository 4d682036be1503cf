#include "ViewKeeper.h"

#include "X11ViewKeeper.h"

#include <QGuiApplication>

namespace sigplus {

std::unique_ptr<ViewKeeper> ViewKeeper::forThisDesktop()
{
    if (const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        if (xcb_connection_t* connection = x11->connection())
            return std::make_unique<X11ViewKeeper>(connection);
    return std::make_unique<ViewKeeper>();
}

} // namespace sigplus
