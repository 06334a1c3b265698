#pragma once
// The window thread's requests to a clipboard thread (take the clipboard with a content, give it
// up, stop), shared by the X11 and the Wayland clipboard: queued, with a wake-up on an eventfd
// that the clipboard thread polls beside its connection.
#include "platform/ClipboardRules.h"

#include <deque>
#include <future>
#include <memory>
#include <mutex>

namespace quorrel {

class SelectionCommands {
  public:
    struct Command {
        enum Kind { OwnIt, DisownIt, Stop } kind;
        ContentPtr content;
        std::shared_ptr<std::promise<void>> done; // set once it ran
    };

    SelectionCommands() = default;
    SelectionCommands(const SelectionCommands&) = delete;
    SelectionCommands& operator=(const SelectionCommands&) = delete;
    ~SelectionCommands();

    bool Open(); // false when no eventfd can be made
    int WakeFd() const { return wake_; }

    // Window thread: queues the request and waits until it ran; false when that took over 2 s.
    // The clipboard thread never waits for the window thread, so the wait is short: the limit
    // only guards against a broken connection.
    bool Post(Command::Kind kind, ContentPtr content = nullptr);

    // Clipboard thread: what was posted, oldest first; the wake-up is taken as well.
    std::deque<Command> Take();

  private:
    int wake_ = -1;
    std::mutex m_;
    std::deque<Command> queued_;
};

} // namespace quorrel
