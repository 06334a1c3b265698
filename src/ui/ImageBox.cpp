#include "ImageBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace quorrel {

ImageBox::ImageBox(QWidget* parent, bool stretch, bool border) : QFrame(parent), stretch_(stretch) {
    if (border) setFrameStyle(QFrame::Box | QFrame::Plain);
    setFocusPolicy(Qt::NoFocus);
}

void ImageBox::SetPicture(const QImage& picture) {
    picture_ = picture;
    if (!stretch_ && !picture_.isNull()) {
        // A picture that carries a device pixel ratio is as large as its device pixels.
        const int f = 2 * frameWidth();
        resize(picture_.deviceIndependentSize().toSize() + QSize(f, f));
    }
    Rescale();
    update();
}

void ImageBox::Rescale() {
    if (picture_.isNull()) {
        shown_ = QPixmap();
        return;
    }
    if (stretch_) {
        // In device pixels: sharp at any scale factor.
        const qreal ratio = devicePixelRatioF();
        const QSize box = contentsRect().size() * ratio;
        // A smooth scale costs in proportion to the source: from a large picture, first take
        // every n-th pixel down to four times the box, then smooth the rest of the way.
        QImage source = picture_;
        const QSize coarse = box * 4;
        if (source.width() > coarse.width() * 2 || source.height() > coarse.height() * 2)
            source = source.scaled(coarse, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        // Smooth scaling gives noise for one-bit and palette pictures: scale full colour.
        if (source.depth() < 32 || source.format() == QImage::Format_Indexed8)
            source = source.convertToFormat(source.hasAlphaChannel()
                                                ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
        shown_ =
            QPixmap::fromImage(source.scaled(box, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        shown_.setDevicePixelRatio(ratio);
    }
    // At natural size the picture is painted straight from the image: no second copy.
}

void ImageBox::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    if (stretch_) Rescale();
}

void ImageBox::paintEvent(QPaintEvent* e) {
    QFrame::paintEvent(e);
    QPainter p(this);
    if (stretch_) {
        if (!shown_.isNull()) p.drawPixmap(contentsRect().topLeft(), shown_);
    } else if (!picture_.isNull()) {
        p.drawImage(contentsRect().topLeft(), picture_);
    }
}

void ImageBox::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && isEnabled() && rect().contains(e->position().toPoint()))
        emit Click();
}

} // namespace quorrel
