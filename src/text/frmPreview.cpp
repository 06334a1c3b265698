#include "frmPreview.h"

#include "frmClipPrev.h"
#include "ui/Forms.h"

#include <QPushButton>
#include <QTextEdit>
#include <algorithm>

namespace quorrel {

frmPreview::frmPreview(Context& c) : FormOf(c) {
    ConnectTrapped(ui.cmdOk, &QPushButton::clicked, this, &frmPreview::cmdOk_Click);
    ConnectTrapped(ui.cmdCancel, &QPushButton::clicked, this, &frmPreview::cmdCancel_Click);
}

void frmPreview::Form_Load() {
    auto* box = ui.RichTextBox1;
    SetPreviewMargin(ctx, box);
    const QString text = ctx.clipboard.GetText();
    fullText_ = QString();
    secret_ = ctx.clipboard.IsSecret() && !text.isEmpty();
    box->setReadOnly(false);
    if (secret_) {
        // A password is never shown in clear, and OK leaves it as it is.
        box->setReadOnly(true);
        box->setPlainText(QString(std::min<qsizetype>(text.size(), 64), QChar(0x25CF)));
    } else {
        SetBoundedBoxText(box, text, &fullText_);
    }
}

void frmPreview::cmdOk_Click() {
    if (!secret_) ctx.clipboard.SetText(BoundedBoxText(ui.RichTextBox1, fullText_));
    ctx.forms.Unload(Id());
}

void frmPreview::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
