#pragma once
// Sizes and places a window counting the frame the window manager puts around it, which is known
// only some time after the window is first shown: outer sizes are applied again, and a window
// that starts centred is centred again, once the frame is known.
#include <QObject>
#include <QPoint>
#include <QSize>

class QWidget;

namespace quorrel {

class FrameFitter : public QObject {
  public:
    // `chromeHeight`: what the window adds above its client area inside the frame (a menu bar).
    FrameFitter(QWidget* window, bool sizable, int chromeHeight);

    // The first size (inside the frame), and the place: centred, or at `at`.
    void Start(QSize size, bool centred, QPoint at);
    // Outer sizes, frame and caption bar included, in twips.
    void SetOuterHeight(int twips);
    void SetOuterWidth(int twips);

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    void Apply();
    void Fit();
    void Centre(QSize size);
    QWidget* window_;
    bool sizable_;
    int chromeHeight_;
    QSize asked_;                // the size last given to the window (the part inside its frame)
    bool centrePending_ = false; // starts centred and was not yet placed with its frame
    bool watchingHandle_ = false;
    // Outer sizes the window set on itself, in twips (0: none), and the frame they allowed for.
    int outerHeight_ = 0;
    int outerWidth_ = 0;
    QSize framed_;
};

} // namespace quorrel
