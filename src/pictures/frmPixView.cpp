#include "frmPixView.h"

#include "ui/Forms.h"
#include "ui/ImageBox.h"

namespace quorrel {

frmPixView::frmPixView(Context& c) : FormOf(c) {
    ConnectTrapped(ui.Image1, &ImageBox::Click, this, &frmPixView::Image1_Click);
}

void frmPixView::Form_Load() {
    if (!ctx.clipboard.GetFormat()) return; // design size, empty picture
    auto* image = ui.Image1;
    image->setEnabled(true);
    image->SetPicture(ctx.clipboard.GetData()); // at natural size the box takes the picture's size
    // Sums in twips, as single precision; the window is centred at the size they give it.
    const float w = static_cast<float>(Twips(image->width())) + 300.0f;
    const float h = static_cast<float>(Twips(image->height())) + 600.0f;
    SetOuterWidth(static_cast<int>(w));
    SetOuterHeight(static_cast<int>(h));
}

void frmPixView::Image1_Click() {
    ctx.forms.Unload(FormId::frmPixView);
}

} // namespace quorrel
