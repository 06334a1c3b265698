#pragma once
// What a window's frame offers, from its layout: the window manager's flags, and the states a
// window without a minimise or maximise box does not stay in.
#include "Layout.h"

#include <Qt>

class QWidget;

namespace quorrel {

Qt::WindowFlags WindowFlagsOf(const WindowLayout& layout);

// Window managers may offer minimise and maximise on every frame (openbox ignores the hints that
// leave them out): after a state change, a window without the box goes back to its normal
// state, unless `unloading` (which lives as long as the window) says by then that it is going.
void KeepAllowedState(QWidget* window, const WindowLayout& layout, const bool& unloading);

} // namespace quorrel
