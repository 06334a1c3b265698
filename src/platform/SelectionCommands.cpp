#include "platform/SelectionCommands.h"

#include <chrono>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quorrel {

SelectionCommands::~SelectionCommands() {
    if (wake_ >= 0) close(wake_);
}

bool SelectionCommands::Open() {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return wake_ >= 0;
}

bool SelectionCommands::Post(Command::Kind kind, ContentPtr content) {
    auto done = std::make_shared<std::promise<void>>();
    auto ran = done->get_future();
    {
        std::lock_guard<std::mutex> lock(m_);
        queued_.push_back({kind, std::move(content), std::move(done)});
    }
    const std::uint64_t one = 1;
    (void)!write(wake_, &one, sizeof one);
    return ran.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
}

std::deque<SelectionCommands::Command> SelectionCommands::Take() {
    std::uint64_t v;
    (void)!read(wake_, &v, sizeof v);
    std::deque<Command> todo;
    std::lock_guard<std::mutex> lock(m_);
    todo.swap(queued_);
    return todo;
}

} // namespace quorrel
