#pragma once
// The clipboard hook: on every clipboard change the text-mode window's Text1 gets the
// clipboard's text and the graphics window's imgClipboard its picture, once per change.
#include "platform/Clipboard.h"

#include <QImage>
#include <QObject>
#include <QString>

class QWidget;

namespace quorrel {

// What the hook writes into; the app forwards to the two mode windows (loading them if needed).
class HookTarget {
  public:
    virtual ~HookTarget() = default;
    virtual void ShowClipboardText(const QString& text) = 0;
    virtual void ShowClipboardPicture(const QImage& picture) = 0; // enables imgClipboard too
};

class ClipboardHook : public QObject {
    Q_OBJECT
  public:
    ClipboardHook(Clipboard& clipboard, HookTarget& target);

    // A mode window joins the watching at its load; the text-mode window leaves at its unload.
    void Hook(QWidget* window);
    void Unhook(QWidget* window);
    bool Hooked() const { return hooked_ > 0; }

    // What one change notice does.
    void WindowProc();

  private:
    Clipboard& clipboard_;
    HookTarget& target_;
    int hooked_ = 0;
    QString tracePath_; // QUORREL_TRACE: where each notice is logged, for end-to-end tests
};

} // namespace quorrel
