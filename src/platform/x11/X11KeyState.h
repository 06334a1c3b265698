#pragma once
#include "platform/Services.h"

namespace quorrel {

// The global key state read from the X server's keymap: left Super for 91, either Alt for 18.
class X11KeyState : public KeyState {
  public:
    std::int16_t GetAsyncKeyState(int virtualKey) override;
};

} // namespace quorrel
