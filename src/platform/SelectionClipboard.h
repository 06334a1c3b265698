#pragma once
// What the X11 and the Wayland clipboard services share: the window thread's side of a
// selection thread. Other programs' copies come from that thread as one notice each; reads here
// only return what was read, so no call ever waits for another program. The program's own
// writes are handed to the thread and announced once, before they return.
#include "platform/Clipboard.h"
#include "platform/ClipboardRules.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace quorrel {

class SelectionClipboard : public Clipboard {
  public:
    void Clear() override;
    QString GetText() override;
    void SetText(const QString& text) override;
    bool GetFormat() override;
    QImage GetData() override;
    void SetData(const QImage& picture) override;
    bool IsSecret() override;
    QString PictureProblem() override;
    QString TextProblem() override;

  protected:
    SelectionClipboard();
    // For the selection thread: hands a copy it read to the window thread. `writesBefore` is the
    // number of the program's own writes when the read began.
    std::function<void(ContentPtr, std::uint64_t)> Notices();
    // What was on the clipboard at start, when the thread read it in time.
    void TakeFirst(ContentPtr first);
    virtual void Own(ContentPtr content) = 0;
    virtual void Disown() = 0;

  private:
    void Deliver(ContentPtr content, std::uint64_t writesBefore);
    void Write(ContentPtr content);

    ContentPtr current_;
    std::uint64_t writes_ = 0;
};

} // namespace quorrel
