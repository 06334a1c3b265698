#include "frmPix.h"

#include "ui/Forms.h"
#include "ui/ImageBox.h"

#include <QLabel>

namespace quorrel {

frmPix::frmPix(Context& c) : Form(FormId::frmPix, c) {}

void frmPix::Form_Load() {
    SetOuterHeight(5565);
    if (ctx.clipboard.GetFormat()) ShowClipboardPicture(ctx.clipboard.GetData());
    RefreshPictureSlots();
}

void frmPix::Form_Unload() { ctx.forms.Unload(FormId::frmMain); }

void frmPix::RefreshPictureSlots() {}

void frmPix::HidePictureSlots() {
    for (int n = 1; n <= 15; ++n)
        Ctl<ImageBox>(QStringLiteral("img%1").arg(n).toLatin1().constData())->setVisible(false);
}

void frmPix::SetCollectorCaption(const QString& caption) {
    SetCaption(Ctl<QLabel>("lblCollector"), caption);
}

void frmPix::ShowClipboardPicture(const QImage& picture) {
    auto* img = Ctl<ImageBox>("imgClipboard");
    img->setEnabled(true);
    img->SetPicture(picture);
}

} // namespace quorrel
