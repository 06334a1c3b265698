#pragma once
// The clipboard service on X11: the selection thread of X11Selection, seen from the window
// thread.
#include "platform/SelectionClipboard.h"
#include "platform/x11/X11Selection.h"

#include <memory>

namespace quorrel {

class X11Clipboard : public SelectionClipboard {
  public:
    // Null when there is no X display. A text copy larger than `maxTextBytes` is not taken.
    static std::unique_ptr<X11Clipboard> Connect(qint64 maxTextBytes = clip::kMaxTextBytes);
    ~X11Clipboard() override;

  private:
    X11Clipboard() = default;
    void Own(ContentPtr content) override { x_->Own(std::move(content)); }
    void Disown() override { x_->Disown(); }

    std::unique_ptr<X11Selection> x_;
};

} // namespace quorrel
