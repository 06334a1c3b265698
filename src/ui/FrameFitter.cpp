#include "FrameFitter.h"

#include "Layout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace quorrel {

FrameFitter::FrameFitter(QWidget* window, bool sizable, int chromeHeight)
    : QObject(window), window_(window), sizable_(sizable), chromeHeight_(chromeHeight) {
    window->installEventFilter(this);
}

void FrameFitter::Start(QSize size, bool centred, QPoint at) {
    window_->resize(size);
    asked_ = size;
    if (!sizable_) window_->setFixedSize(size);
    if (centred) {
        centrePending_ = true;
        Centre(size);
    } else {
        window_->setGeometry(QRect(at, size));
    }
}

// Centred on the screen with the frame the window manager gives it, as far as that is known
// yet; a window larger than the screen stands at its top left corner.
// The size is the one last asked for: a shown window learns its new size only later.
void FrameFitter::Centre(QSize size) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize outer = size + (window_->frameGeometry().size() - window_->geometry().size());
    window_->move(area.left() + std::max(0, (area.width() - outer.width()) / 2),
                  area.top() + std::max(0, (area.height() - outer.height()) / 2));
}

void FrameFitter::SetOuterHeight(int twips) {
    outerHeight_ = twips;
    Apply();
}

void FrameFitter::SetOuterWidth(int twips) {
    outerWidth_ = twips;
    Apply();
}

// The outer size counts the frame and caption bar, which the window manager adds around the
// window: applied again whenever the frame changes.
void FrameFitter::Apply() {
    const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
    framed_ = frame;
    QSize size = asked_;
    if (outerHeight_)
        size.setHeight(std::max(Px(outerHeight_) - frame.height(), chromeHeight_ + 1));
    if (outerWidth_) size.setWidth(std::max(Px(outerWidth_) - frame.width(), 1));
    if (sizable_)
        window_->resize(size);
    else
        window_->setFixedSize(size);
    asked_ = size;
    if (centrePending_) Centre(size); // a window that starts centred is centred at its load size
}

// Once the frame is known: the outer sizes asked for at load, then the centred place.
void FrameFitter::Fit() {
    if (!window_->isVisible()) return;
    const QSize frame = window_->frameGeometry().size() - window_->geometry().size();
    if (frame.isEmpty() || frame == framed_) return;
    Apply();
    if (centrePending_) {
        Centre(asked_);
        centrePending_ = false;
    }
}

bool FrameFitter::eventFilter(QObject* watched, QEvent* e) {
    if (watched == window_) {
        if (e->type() == QEvent::Show) {
            // The window manager frames the window some time after it is first shown: it moves
            // it then, or (for a window at a fixed place) only exposes it.
            if (QWindow* handle = window_->windowHandle(); handle && !watchingHandle_) {
                watchingHandle_ = true;
                handle->installEventFilter(this);
            }
            Fit(); // where the frame is known at once
        } else if (e->type() == QEvent::Move) {
            Fit();
        }
    } else if (e->type() == QEvent::Expose) {
        QTimer::singleShot(0, this, [this] { Fit(); });
    }
    return false;
}

} // namespace quorrel
