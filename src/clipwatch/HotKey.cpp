#include "HotKey.h"

#include <QWidget>

namespace quorrel {

void HotKeyToggle(AppState& state, QWidget* window) {
    // A minimised window is out of sight too, whether or not the window manager took the focus
    // from it: the press brings it back rather than hiding it unseen.
    if (state.WindowHidden || window->isMinimized()) {
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
