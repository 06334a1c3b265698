#include "X11Clipboard.h"

namespace quorrel {

std::unique_ptr<X11Clipboard> X11Clipboard::Connect(qint64 maxTextBytes) {
    std::unique_ptr<X11Clipboard> cb(new X11Clipboard);
    cb->x_ = X11Selection::Open(nullptr, cb->Notices(), maxTextBytes);
    if (!cb->x_) return nullptr;
    // What is on the clipboard at start, when its owner answers quickly; else it comes as a change.
    cb->TakeFirst(cb->x_->Initial(std::chrono::milliseconds(500)));
    return cb;
}

X11Clipboard::~X11Clipboard() {
    x_.reset(); // stops the selection thread before this object goes
}

} // namespace quorrel
