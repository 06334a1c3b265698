#pragma once
// The clipboard service on Wayland desktops with a data-control protocol: the selection thread
// of WaylandSelection, seen from the window thread. Other programs' copies are read whichever
// window has the focus; the program's own are served from memory by that thread.
#include "platform/SelectionClipboard.h"
#include "platform/wayland/WaylandSelection.h"

#include <memory>

namespace quorrel {

class WaylandClipboard : public SelectionClipboard {
  public:
    // Null when there is no Wayland display or it offers no data-control protocol.
    static std::unique_ptr<WaylandClipboard> Connect();
    ~WaylandClipboard() override;

  private:
    WaylandClipboard() = default;
    void Own(ContentPtr content) override { w_->Own(std::move(content)); }
    void Disown() override { w_->Disown(); }

    std::unique_ptr<WaylandSelection> w_;
};

} // namespace quorrel
