#include "frmPreview.h"

#include "frmClipPrev.h"
#include "ui/Forms.h"

#include <QPushButton>
#include <QTextEdit>

namespace quorrel {

frmPreview::frmPreview(Context& c) : Form(FormId::frmPreview, c) {
    connect(Ctl<QPushButton>("cmdOk"), &QPushButton::clicked, this, &frmPreview::cmdOk_Click);
    connect(Ctl<QPushButton>("cmdCancel"), &QPushButton::clicked, this,
            &frmPreview::cmdCancel_Click);
}

void frmPreview::Form_Load() {
    SetOuterHeight(5115);
    auto* box = Ctl<QTextEdit>("RichTextBox1");
    SetPreviewMargin(ctx, box);
    box->setPlainText(ctx.clipboard.GetText());
}

void frmPreview::cmdOk_Click() {
    ctx.clipboard.SetText(Ctl<QTextEdit>("RichTextBox1")->toPlainText());
    ctx.forms.Unload(Id());
}

void frmPreview::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
