#include "FirstFrame.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace quorrel {

namespace {

class FirstPaintWatch : public QObject {
  public:
    FirstPaintWatch(QWidget* window, std::function<void()> then)
        : QObject(window), then_(std::move(then)) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint && then_) {
            watched->removeEventFilter(this);
            // Queued, so that it runs once the frame is painted and flushed to the screen.
            QTimer::singleShot(0, watched, std::move(then_));
            then_ = nullptr;
            deleteLater();
        }
        return false;
    }

  private:
    std::function<void()> then_;
};

} // namespace

void AfterFirstPaint(QWidget* window, std::function<void()> then) {
    if (!window || !window->isVisible()) {
        if (then) then();
        return;
    }
    new FirstPaintWatch(window, std::move(then));
}

} // namespace quorrel
