#pragma once
#include "platform/Clipboard.h"
#include "platform/Services.h"

namespace quorrel {

class QtMessageBox : public MessageBox {
  public:
    void Show(const QString& text) override;
};

class QtBusyPointer : public BusyPointer {
  public:
    void Set(bool busy) override;

  private:
    bool on_ = false;
};

class QtScreenCapture : public ScreenCapture {
  public:
    explicit QtScreenCapture(Clipboard& clipboard);
    void CaptureScreen(QWidget* window) override;

  private:
    Clipboard& clipboard_;
};

} // namespace quorrel
