#include "frmPreview.h"

#include "frmClipPrev.h"
#include "ui/Forms.h"

#include <QPushButton>
#include <QTextEdit>
#include <algorithm>

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
    if (!secret_) ctx.clipboard.SetText(BoundedBoxText(Ctl<QTextEdit>("RichTextBox1"), fullText_));
    ctx.forms.Unload(Id());
}

void frmPreview::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
