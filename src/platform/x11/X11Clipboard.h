#pragma once
// The clipboard service on X11. Other programs' copies are read on the selection thread and reach
// the window thread as one notice each; reads here only return what was read, so no call ever
// waits for another program. The program's own writes are announced once, before they return.
#include "platform/Clipboard.h"
#include "platform/x11/X11Selection.h"

#include <memory>

namespace quorrel {

class X11Clipboard : public Clipboard {
    Q_OBJECT
  public:
    // Null when there is no X display. A text copy larger than `maxTextBytes` is not taken.
    static std::unique_ptr<X11Clipboard> Connect(qint64 maxTextBytes = clip::kMaxTextBytes);
    ~X11Clipboard() override;

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
    X11Clipboard();
    void Write(ContentPtr content);
    void Deliver(ContentPtr content, std::uint64_t writesBefore);

    std::unique_ptr<X11Selection> x_;
    ContentPtr current_;
    std::uint64_t writes_ = 0;
};

} // namespace quorrel
