#pragma once
// The show/hide hot key: left Windows key with Alt, polled every 200 ms by each mode window.
#include "core/AppState.h"
#include "platform/Services.h"

class QWidget;

namespace quorrel {

inline constexpr int VK_LWIN = 91;
inline constexpr int VK_MENU = 18; // Alt
inline constexpr int kHotKeyInterval = 200;

// Both keys' 16-bit states share a set bit (both held gives the high bit in both).
bool HotKeyDown(KeyState& keys);

// One timer tick of a mode window: acts only for the current mode's window, and toggles it
// (no edge detection: every tick while the keys stay down toggles again).
void HotKeyTick(AppState& state, KeyState& keys, bool isTextModeWindow, QWidget* window);

// The window lost the focus to another program: it hides.
void LoseFocus(AppState& state, QWidget* window);

} // namespace quorrel
