#include "WindowRules.h"

#include <QTimer>
#include <QWidget>

namespace quorrel {

Qt::WindowFlags WindowFlagsOf(const WindowLayout& L) {
    Qt::WindowFlags f = (L.frame == Frame::FixedDialog) ? Qt::Dialog : Qt::Window;
    if (!L.inTaskbar) f = Qt::Tool;
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
         Qt::WindowCloseButtonHint;
    if (L.minBox) f |= Qt::WindowMinimizeButtonHint;
    if (L.maxBox) f |= Qt::WindowMaximizeButtonHint;
    return f;
}

void KeepAllowedState(QWidget* window, const WindowLayout& L, const bool& unloading) {
    Qt::WindowStates unwanted;
    if (!L.minBox) unwanted |= Qt::WindowMinimized;
    if (!L.maxBox) unwanted |= Qt::WindowMaximized | Qt::WindowFullScreen;
    if (!(window->windowState() & unwanted)) return;
    QTimer::singleShot(0, window, [window, unwanted, &unloading] {
        if (!unloading && (window->windowState() & unwanted))
            window->setWindowState(window->windowState() & ~unwanted);
    });
}

} // namespace quorrel
