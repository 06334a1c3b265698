#pragma once
// While a picture command finishes off the window thread: the hourglass shows and no click or
// key reaches any window of the program, so commands still run one at a time (a second Add, a
// slot click or a collector dialog waits for none of them half done), while every window keeps
// painting and the clipboard is still followed.
#include "ui/Trap.h"

#include <QObject>

namespace quorrel {

class HeldInput : public QObject {
  public:
    explicit HeldInput(BusyPointer& busy);
    ~HeldInput() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    BusyGuard busy_;
};

} // namespace quorrel
