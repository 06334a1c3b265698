#pragma once
// The clipboard service on Wayland desktops with a data-control protocol. Other programs' copies
// are read on the selection thread, whichever window has the focus, and reach the window thread
// as one notice each; the program's own writes are served from memory by that thread and are
// announced once, before they return.
#include "platform/Clipboard.h"
#include "platform/wayland/WaylandSelection.h"

#include <memory>

namespace quorrel {

class WaylandClipboard : public Clipboard {
    Q_OBJECT
  public:
    // Null when there is no Wayland display or it offers no data-control protocol.
    static std::unique_ptr<WaylandClipboard> Connect();
    ~WaylandClipboard() override;

    void Clear() override;
    QString GetText() override;
    void SetText(const QString& text) override;
    bool GetFormat() override;
    QImage GetData() override;
    void SetData(const QImage& picture) override;
    bool IsSecret() override;
    QString PictureProblem() override;
    QString TextProblem() override;

  private:
    WaylandClipboard();
    void Write(ContentPtr content);
    void Deliver(ContentPtr content, std::uint64_t writesBefore);

    std::unique_ptr<WaylandSelection> w_;
    ContentPtr current_;
    std::uint64_t writes_ = 0;
};

} // namespace quorrel
