#pragma once
// Work a window's first frame does not need, run once that frame is drawn, so that the window
// comes up first and what it does not show yet follows.
#include <functional>

class QWidget;

namespace quorrel {

// Runs `then` once, after `window` next paints (its first frame on screen). A window that is
// not on screen gets it at once; one deleted first never runs it.
void AfterFirstPaint(QWidget* window, std::function<void()> then);

} // namespace quorrel
