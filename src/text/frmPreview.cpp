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
    const QString text = ctx.clipboard.GetText();
    crlf_ = text.contains(QStringLiteral("\r\n")); // OK gives back the line ends it found
    SetBoxText(box, text);
}

void frmPreview::cmdOk_Click() {
    ctx.clipboard.SetText(BoxText(Ctl<QTextEdit>("RichTextBox1"), crlf_));
    ctx.forms.Unload(Id());
}

void frmPreview::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
