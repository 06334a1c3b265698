#pragma once
// The clipboard service over QClipboard. What the program writes itself is announced once, before
// the call returns; what the system announces about it on its own is dropped, and so are late
// repeats of a state already announced (X11 sends a second notice some time after a clear).
#include "platform/Clipboard.h"

#include <QByteArray>

class QClipboard;

namespace quorrel {

class QtClipboard : public Clipboard {
    Q_OBJECT
  public:
    QtClipboard();
    void Clear() override;
    QString GetText() override;
    void SetText(const QString& text) override;
    bool GetFormat() override;
    QImage GetData() override;
    void SetData(const QImage& picture) override;

  private:
    void OnSystemNotice();
    void Announce();
    QByteArray Signature();
    QClipboard* cb_;
    int writing_ = 0;
    QByteArray lastAnnounced_;
    bool lastWasOwn_ = false;
};

} // namespace quorrel
