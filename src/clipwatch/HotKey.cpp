#include "HotKey.h"

#include <QWidget>

namespace quorrel {

bool HotKeyDown(KeyState& keys) {
    const auto a = static_cast<std::uint16_t>(keys.GetAsyncKeyState(VK_LWIN));
    const auto b = static_cast<std::uint16_t>(keys.GetAsyncKeyState(VK_MENU));
    return (a & b) != 0;
}

void HotKeyTick(AppState& state, KeyState& keys, bool isTextModeWindow, QWidget* window) {
    if (!HotKeyDown(keys)) return;
    if (state.TextModeActive != isTextModeWindow) return;
    if (state.WindowHidden) {
        // A window minimised before it was hidden comes back on the screen, not minimised.
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
        state.WindowHidden = false;
    } else {
        window->hide();
        state.WindowHidden = true;
    }
}

void LoseFocus(AppState& state, QWidget* window) {
    state.WindowHidden = true;
    window->hide();
}

} // namespace quorrel
