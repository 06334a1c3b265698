#pragma once
// Who owns a window on screen: the window manager keeps an owned window above its owner.
class QWindow;

namespace quorrel {

// Makes `owner` the owner of `window` (none when null), also for a window already on screen.
void SetWindowOwner(QWindow* window, QWindow* owner);

} // namespace quorrel
