#include "X11KeyState.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace quorrel {

namespace {

Display* XDisplay() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

bool Down(Display* d, const char keys[32], KeySym sym) {
    const KeyCode code = XKeysymToKeycode(d, sym);
    return code != 0 && (keys[code / 8] & (1 << (code % 8)));
}

} // namespace

std::int16_t X11KeyState::GetAsyncKeyState(int virtualKey) {
    Display* d = XDisplay();
    if (!d) return 0;
    char keys[32];
    XQueryKeymap(d, keys);
    bool down = false;
    if (virtualKey == 91)
        down = Down(d, keys, XK_Super_L);
    else if (virtualKey == 18)
        down = Down(d, keys, XK_Alt_L) || Down(d, keys, XK_Alt_R);
    return down ? static_cast<std::int16_t>(0x8000) : 0;
}

} // namespace quorrel
