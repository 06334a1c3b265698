#include "WaylandClipboard.h"

namespace quorrel {

std::unique_ptr<WaylandClipboard> WaylandClipboard::Connect() {
    std::unique_ptr<WaylandClipboard> cb(new WaylandClipboard);
    cb->w_ = WaylandSelection::Open(cb->Notices());
    if (!cb->w_) return nullptr;
    // What is on the clipboard at start, when its owner answers quickly; else it comes as a change.
    cb->TakeFirst(cb->w_->Initial(std::chrono::milliseconds(500)));
    return cb;
}

WaylandClipboard::~WaylandClipboard() {
    w_.reset(); // stops the selection thread before this object goes
}

} // namespace quorrel
