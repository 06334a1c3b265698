#pragma once
// What the show/hide hot key and losing the focus do to the current mode's window.
#include "core/AppState.h"

class QWidget;

namespace quorrel {

// One press of the hot key (or `quorrel --toggle`): a hidden window comes back, restored,
// raised and with the keyboard; a shown one hides.
void HotKeyToggle(AppState& state, QWidget* window);

// The window lost the focus to another program: it hides.
void LoseFocus(AppState& state, QWidget* window);

} // namespace quorrel
