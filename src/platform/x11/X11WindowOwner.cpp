#include "platform/WindowOwner.h"

#include <QGuiApplication>
#include <QWindow>
#include <xcb/xcb.h>

namespace quorrel {

void SetWindowOwner(QWindow* window, QWindow* owner) {
    window->setTransientParent(owner);
    // Qt's xcb plugin writes WM_TRANSIENT_FOR only for dialogs and tool windows, and only as it
    // maps them (it removes it from a plain window then): written here once the window is
    // mapped too, and window managers follow a change at any time.
    // (The offscreen platform answers for X11 too, without a connection.)
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || !owner || !window->handle() || !owner->handle()) return;
    const xcb_window_t ownerId = static_cast<xcb_window_t>(owner->winId());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                        XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1, &ownerId);
    xcb_flush(c);
}

} // namespace quorrel
