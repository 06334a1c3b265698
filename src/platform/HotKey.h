#pragma once
// The show/hide hot key, left Super (Windows) key with Alt: one notice per press, whatever the
// time the keys are held.
#include <QObject>

namespace quorrel {

class HotKey : public QObject {
    Q_OBJECT
  public:
    // A press can reach the program now. While none can, the mode windows must not hide on
    // losing the focus: nothing would bring them back.
    virtual bool IsLive() const = 0;

  signals:
    void Pressed();
};

} // namespace quorrel
