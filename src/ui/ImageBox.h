#pragma once
// A picture display. Holds its picture once; when stretched it paints a copy scaled to the box,
// never a second full-size pixmap. Only an enabled box reports clicks.
#include <QFrame>
#include <QImage>
#include <QPixmap>

namespace quorrel {

class ImageBox : public QFrame {
    Q_OBJECT
  public:
    explicit ImageBox(QWidget* parent, bool stretch, bool border);

    const QImage& Picture() const { return picture_; }
    // Sets the picture (a null image empties the box). At natural size the box takes the
    // picture's own size: its device pixels when it carries a device pixel ratio.
    void SetPicture(const QImage& picture);
    bool Stretch() const { return stretch_; }

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void resizeEvent(QResizeEvent*) override;

  private:
    void Rescale();
    QImage picture_;
    QPixmap shown_; // what the screen shows: scaled to the box when stretched
    bool stretch_;
};

} // namespace quorrel
