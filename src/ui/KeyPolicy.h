#pragma once
// The keys of every window as users of desktops expect: Enter on the focused or default button,
// Esc on the cancel button, Tab and Ctrl+Enter in the text boxes, and a key held down acting once.
// One object for the whole program: it remembers the last key that came up, in any window.
#include <QtGlobal>

class QKeyEvent;
class QObject;
class QPushButton;

namespace quorrel {

class KeyPolicy {
  public:
    // A key event that reached `watched` (a control, or the window itself) of a window whose
    // Enter and Esc buttons are given (null where it has none). True when the key was taken.
    bool Handle(QObject* watched, QKeyEvent* k, QPushButton* defaultButton,
                QPushButton* cancelButton);
    // Every key release of the program's windows passes here.
    void NoteRelease(const QKeyEvent* k);

  private:
    bool IsRepeat(const QKeyEvent* k) const;
    bool RepeatedAccessKey(const QKeyEvent* k) const;
    // The last key that came up, and when (the server's time, in milliseconds).
    int releasedKey_ = 0;
    quint64 releasedAt_ = 0;
};

} // namespace quorrel
