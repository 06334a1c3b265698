#pragma once
// The error trap every handler runs in, and the busy pointer as a guard of the handler's scope.
#include "platform/Services.h"

#include <QString>
#include <exception>

namespace quorrel {

// The message for a failure caught in a trap: "number description" for a RuntimeError,
// "7 Out of memory" for a failed allocation, "51 Internal error: ..." for anything else.
QString TrapMessage(std::exception_ptr failure);

// Runs a handler's body. A failure ends the command with its message and goes no further, so
// nothing is ever thrown through Qt. False when the body failed.
template <class Body> bool RunTrapped(MessageBox& messages, Body&& body) noexcept {
    try {
        body();
        return true;
    } catch (...) {
        try {
            messages.Show(TrapMessage(std::current_exception()));
        } catch (...) { // a message that cannot be shown must not take the program down either
        }
        return false;
    }
}

// The hourglass while a command works: on when made, off when it goes, however the command
// ends. Off() ends it early, before a message is shown.
class BusyGuard {
  public:
    explicit BusyGuard(BusyPointer& busy) : busy_(busy) { busy_.Set(true); }
    ~BusyGuard() { Off(); }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;
    void Off() {
        if (on_) busy_.Set(false);
        on_ = false;
    }

  private:
    BusyPointer& busy_;
    bool on_ = true;
};

} // namespace quorrel
