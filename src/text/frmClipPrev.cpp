#include "frmClipPrev.h"

#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "core/TextFile.h"
#include "ui/Forms.h"
#include "ui/StoreText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

namespace quorrel {

void SetBoxText(QTextEdit* box, const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box->setPlainText(t);
}

QString BoxText(const QTextEdit* box) {
    // Clipboard text has this platform's line ends.
    return box->toPlainText();
}

void SetBoundedBoxText(QTextEdit* box, const QString& text, QString* full) {
    if (text.size() <= kPreviewShown) {
        full->clear();
        box->setReadOnly(false);
        SetBoxText(box, text);
        return;
    }
    *full = text;
    box->setReadOnly(true);
    SetBoxText(box, QStringLiteral("[Too large to show: the first %L1 of %L2 characters]\n")
                            .arg(kPreviewShown)
                            .arg(text.size()) +
                        text.left(kPreviewShown));
}

QString BoundedBoxText(const QTextEdit* box, const QString& full) {
    return full.isNull() ? BoxText(box) : full;
}

void SetPreviewMargin(Context& ctx, QTextEdit* box) {
    const QFont font = ctx.forms.IsLoaded(FormId::frmMain) ? ctx.forms.Form(FormId::frmMain)->font()
                                                           : QApplication::font();
    box->setLineWrapMode(QTextEdit::FixedPixelWidth);
    box->setLineWrapColumnOrWidth(1001 * QFontMetrics(font).horizontalAdvance(QLatin1Char('a')));
}

frmClipPrev::frmClipPrev(Context& c) : FormOf(c) {
    ConnectTrapped(ui.cmdNext, &QPushButton::clicked, this, &frmClipPrev::cmdNext_Click);
    ConnectTrapped(ui.cmdBack, &QPushButton::clicked, this, &frmClipPrev::cmdBack_Click);
    ConnectTrapped(ui.cmdAdd, &QPushButton::clicked, this, &frmClipPrev::cmdAdd_Click);
    ConnectTrapped(ui.cmdClose, &QPushButton::clicked, this, &frmClipPrev::cmdClose_Click);
}

void frmClipPrev::Form_Load() {
    SetPreviewMargin(ctx, ui.RichTextBox1);
    list_.clear();
    folder_ = ctx.state.CollectorPath;
    ui.File1->setProperty("Path", FromStore(folder_));
    try {
        list_ = ReadLines(InFolder(folder_, "Numb"));
    } catch (const RuntimeError&) {
        // No index: only clip 1 can be shown.
    }
    list_.emplace_back();
    position_ = -1;
    if (LoadClip("1")) {
        position_ = 0;
        SetCaption(ui.Label1, QLatin1Char(' ') + FromStore(list_[0]) + QLatin1Char(' '));
    } else {
        ctx.messages.Show(QStringLiteral("No Clips to preview"));
        for (QPushButton* b : {ui.cmdNext, ui.cmdBack, ui.cmdAdd})
            b->setEnabled(false);
    }
}

bool frmClipPrev::LoadClip(const std::string& entry) {
    // A Numb line is a clip number: anything naming another folder is no clip of this one.
    if (entry.find('/') != std::string::npos || entry.find('\\') != std::string::npos) return false;
    try {
        // Shown as it was added, so that Add to Clipboard gives back exactly that.
        const std::string bytes = ClipOfFile(ReadText(folder_ + Sep + entry));
        SetBoundedBoxText(ui.RichTextBox1, StoreToClip(bytes), &fullText_);
        return true;
    } catch (const RuntimeError&) {
        return false; // removed behind the program's back: the box stays as it was
    }
}

void frmClipPrev::ShowEntry() {
    const std::string& entry = list_[static_cast<size_t>(position_)];
    if (entry.empty()) return;
    if (LoadClip(entry))
        SetCaption(ui.Label1, QLatin1Char(' ') + FromStore(entry) + QLatin1Char(' '));
}

void frmClipPrev::cmdNext_Click() {
    ui.cmdBack->setEnabled(true);
    const int real = static_cast<int>(list_.size()) - 1;
    if (real <= 0) return; // an empty Numb leaves nothing to step through
    if (position_ >= real - 1) position_ = -1;
    ++position_;
    ShowEntry();
}

void frmClipPrev::cmdBack_Click() {
    const int real = static_cast<int>(list_.size()) - 1;
    if (real <= 0) return;
    if (position_ <= 0) position_ = real;
    --position_;
    ShowEntry();
}

void frmClipPrev::cmdAdd_Click() {
    const QString text = BoundedBoxText(ui.RichTextBox1, fullText_);
    ctx.clipboard.Clear();
    ctx.clipboard.SetText(text);
}

void frmClipPrev::cmdClose_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
