#include "frmPixView.h"

#include "ui/Forms.h"
#include "ui/ImageBox.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace quorrel {

namespace {

// What the window adds around the picture, in twips: the margins, frame and caption bar.
constexpr int kAddedWidth = 300, kAddedHeight = 600;

// The picture scaled down to `room` (device pixels) in proportion; a large one first by taking
// pixels, then smoothly, so that an 8K picture costs little.
QImage Fitted(const QImage& picture, QSize room) {
    const QSize target = picture.size().scaled(room, Qt::KeepAspectRatio);
    QImage source = picture;
    if (source.width() > target.width() * 4)
        source = source.scaled(target * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

frmPixView::frmPixView(Context& c) : FormOf(c) {
    auto* image = ui.Image1;
    ConnectTrapped(image, &ImageBox::Click, this, &frmPixView::Image1_Click);
    const QString hint = QStringLiteral("Click the picture, or press Esc or Enter, to close.");
    image->setToolTip(hint);
    Client()->setToolTip(hint);
}

void frmPixView::Form_Load() {
    if (!ctx.clipboard.GetFormat()) return; // design size, empty picture
    auto* image = ui.Image1;
    image->setEnabled(true);
    QImage picture = ctx.clipboard.GetData();
    // Pixel for pixel on the screen: at a scale factor of 2, a picture of 800 x 600 pixels
    // takes 400 x 300 of the window's units.
    const qreal ratio = devicePixelRatioF();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QSize room =
            (screen->availableGeometry().size() - QSize(Px(kAddedWidth), Px(kAddedHeight))) * ratio;
        if (room.isValid() && (picture.width() > room.width() || picture.height() > room.height()))
            picture = Fitted(picture, room);
    }
    picture.setDevicePixelRatio(ratio);
    image->SetPicture(picture); // at natural size the box takes the picture's size
    // Sums in twips, as single precision; the window is centred at the size they give it.
    const float w = static_cast<float>(Twips(image->width())) + float(kAddedWidth);
    const float h = static_cast<float>(Twips(image->height())) + float(kAddedHeight);
    SetOuterWidth(static_cast<int>(w));
    SetOuterHeight(static_cast<int>(h));
}

void frmPixView::Image1_Click() {
    ctx.forms.Unload(FormId::frmPixView);
}

namespace {

bool ClosingKey(const QKeyEvent* e) {
    const bool key =
        e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    return key && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

// Esc and Enter close the viewer as a click on the picture does: when they come up, as a click
// does, and only after they went down here (not the Enter that opened the viewer).
void frmPixView::keyPressEvent(QKeyEvent* e) {
    if (!ClosingKey(e)) return Form::keyPressEvent(e);
    if (!e->isAutoRepeat()) pressed_ = e->key();
}

void frmPixView::keyReleaseEvent(QKeyEvent* e) {
    if (ClosingKey(e) && !e->isAutoRepeat() && e->key() == pressed_) {
        pressed_ = 0;
        Image1_Click();
        return;
    }
    Form::keyReleaseEvent(e);
}

} // namespace quorrel
