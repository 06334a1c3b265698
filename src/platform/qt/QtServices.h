#pragma once
#include "platform/Clipboard.h"
#include "platform/Services.h"

#include <QPointer>
#include <QWidget>

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
    static constexpr int kPollMs = 10, kUnmapPolls = 50; // at most half a second for the unmap
    static constexpr int kRepaintMs = 100;               // for the windows under it to repaint
    void WaitUnmapped(QPointer<QWidget> window, int pollsLeft);
    void Grab(QPointer<QWidget> window);
    Clipboard& clipboard_;
    bool running_ = false;
    QObject timers_; // the steps' timers go with the service
};

} // namespace quorrel
