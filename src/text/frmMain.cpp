#include "frmMain.h"

#include "ClipFind.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "core/TextFile.h"
#include "ui/Forms.h"
#include "ui/Help.h"
#include "ui/ModeWindow.h"
#include "ui/StoreText.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>

namespace quorrel {

frmMain::frmMain(Context& c) : FormOf(c) {
    ConnectTrapped(ui.cmdAdd, &QPushButton::clicked, this, &frmMain::cmdAdd_Click);
    ConnectTrapped(ui.cmdAddToClipboard, &QPushButton::clicked, this,
                   &frmMain::cmdAddToClipboard_Click);
    ConnectTrapped(ui.cmdClear, &QPushButton::clicked, this, &frmMain::cmdClear_Click);
    ConnectTrapped(ui.cmdClipPrev, &QPushButton::clicked, this, &frmMain::cmdClipPrev_Click);
    ConnectTrapped(ui.cmdPreview, &QPushButton::clicked, this, &frmMain::cmdPreview_Click);
    ConnectTrapped(ui.cmdPix, &QPushButton::clicked, this, &frmMain::cmdPix_Click);
    // The clip list holds plain lines: a string list fills with 32,767 clips in well under a
    // millisecond, where the combo box's own item model took 20 ms, most of the start.
    ui.Combo1->setModel(new QStringListModel(ui.Combo1));
    ConnectTrapped(ui.Combo1, &QComboBox::activated, this, &frmMain::Combo1_Click);
    // A long first line shows its beginning, which is what names a clip.
    ui.Combo1->view()->setTextElideMode(Qt::ElideRight);
    // After the model is set.
    AttachClipFinder(
        ui.Combo1, [this](int row) { ChooseFound(row); },
        [this] { return ctx.state.CollectorPath; });

    ConnectModeWindow(*this, ctx, ui, ui.mnuNew, true);
    ConnectTrapped(ui.mnuProgHelp, &QAction::triggered, this, &frmMain::mnuProgHelp_Click);
}

// What the clipboard holds is shown by the one who loads this window (App::Form).
void frmMain::Form_Load() {
    ctx.state.TextModeActive = true;
    ctx.hook.Hook(this);
}

void frmMain::Form_Unload() {
    ctx.hook.Unhook(this);
    for (FormId id :
         {FormId::frmAbout, FormId::frmPix, FormId::frmNameTxt, FormId::frmOpen, FormId::frmDelete,
          FormId::frmPreview, FormId::frmSaveAs, FormId::frmPixView, FormId::frmClipPrev})
        ctx.forms.Unload(id);
}

void frmMain::SetCollectorCaption(const QString& caption) {
    SetCaption(ui.lblCollector, caption);
}

void frmMain::ResetClipList(const QString& editText) {
    auto* combo = ui.Combo1;
    combo->setEnabled(true);
    combo->clear();
    combo->setEditText(editText);
    combo->lineEdit()->setCursorPosition(0);
}

void frmMain::AddClipItems(const QStringList& items) {
    auto* combo = ui.Combo1;
    const QString text = combo->currentText();
    // A list that lays out a first line of megabytes (a long log line, a copied file without line
    // ends) froze the window for seconds when it opened: it shows the line's beginning, which
    // names the clip all the same.
    auto* model = static_cast<QStringListModel*>(combo->model());
    QStringList shown = model->stringList();
    shown.reserve(shown.size() + items.size());
    for (const QString& item : items)
        shown.append(item.size() > kListShown ? item.left(kListShown) : item);
    model->setStringList(shown);
    // No item is current, so that the first Down chooses the first clip; the prompt stays.
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
    combo->lineEdit()->setCursorPosition(0);
}

void frmMain::EnableAdd() {
    ui.cmdAdd->setEnabled(true);
}

void frmMain::ShowClipboardText(const QString& text) {
    auto* text1 = ui.Text1;
    // A password is shown masked and never stored; it stays masked until the clipboard changes.
    secret_ = ctx.clipboard.IsSecret() && !text.isEmpty();
    text1->setEchoMode(secret_ ? QLineEdit::Password : QLineEdit::Normal);
    // A copy too large to take: Text1 says so, read-only, and holds no text.
    textProblem_ = text.isEmpty() ? ctx.clipboard.TextProblem() : QString();
    if (!textProblem_.isEmpty()) {
        fullText_.clear();
        text1->setReadOnly(true);
        text1->setText(QLatin1Char('[') + textProblem_ + QLatin1Char(']'));
    } else if (text.size() <= kText1Shown) {
        fullText_.clear();
        text1->setReadOnly(secret_); // a password that cannot be seen is not edited either
        text1->setText(text);
    } else {
        // A box that lays out megabytes stalls the window: it shows the beginning, read-only,
        // while the whole text stays here for Add to Collector and Add to Clipboard.
        fullText_ = text;
        text1->setReadOnly(true);
        text1->setText(QStringLiteral("[Too large to show: the first %L1 of %L2 characters] ")
                           .arg(kText1Shown)
                           .arg(text.size()) +
                       text.left(kText1Shown));
    }
    text1->setCursorPosition(0);
}

QString frmMain::Text1Text() {
    if (!textProblem_.isEmpty()) return QString();
    return fullText_.isNull() ? ui.Text1->text() : fullText_;
}

void frmMain::EmptyText1() {
    ShowClipboardText(QString());
}

void frmMain::cmdAdd_Click() {
    if (!textProblem_.isEmpty()) {
        ctx.messages.Show(textProblem_ + QStringLiteral(" It is not added to the Collector."));
        return;
    }
    if (Text1Text().isEmpty()) {
        ctx.messages.Show(QStringLiteral("There is no text on the Clipboard."));
        return;
    }
    if (secret_) {
        ctx.messages.Show(QStringLiteral("The text on the Clipboard is marked as a password. It is "
                                         "not added to the Collector."));
        return;
    }
    try {
        const std::string& folder = ctx.state.CollectorPath;
        BusyGuard busy(ctx.busy);
        // The files first, all or nothing: a failed add leaves the list as it was.
        AddClip(folder, ClipToStore(Text1Text()));
        auto* combo = ui.Combo1;
        combo->clear();
        combo->setEditText(QString::fromLatin1(kClipListPrompt));
        AddClipItems(FromStore(ReadClipIndex(folder)));
    } catch (const RuntimeError& e) {
        ctx.messages.Show(QString::fromStdString(e.Message()));
    }
}

void frmMain::Combo1_Click(int index) {
    auto* combo = ui.Combo1;
    const QString entry = combo->itemText(index);
    ctx.clipboard.Clear();
    EmptyText1();
    try {
        const std::string number = SplitString(ToStore(entry), ") ", "F");
        const std::string text = ReadClipForClipboard(ctx.state.CollectorPath, number);
        ctx.clipboard.Clear();
        EmptyText1();
        ctx.clipboard.SetText(StoreToClip(text));
    } catch (const RuntimeError& e) {
        // The list names a clip whose file was removed behind the program's back.
        ctx.messages.Show(QString::fromStdString(e.Message()));
    }
    ui.cmdPreview->setEnabled(true);
}

void frmMain::ChooseFound(int row) {
    // As a choice from the list: the entry becomes the box's text, then the clip is restored.
    ui.Combo1->setCurrentIndex(row);
    Combo1_Click(row);
}

void frmMain::cmdAddToClipboard_Click() {
    // The clipboard holds the password already, marked so that no other program keeps it; put
    // back, it would lose that mark.
    // A copy too large to take is still on the clipboard: nothing would replace it.
    if (secret_ || !textProblem_.isEmpty()) return;
    BusyGuard busy(ctx.busy);
    const QString t = Text1Text();
    ctx.clipboard.Clear();
    ctx.clipboard.SetText(t);
}

void frmMain::cmdClear_Click() {
    ctx.clipboard.Clear();
    EmptyText1();
    auto* combo = ui.Combo1;
    combo->setEditText(QString::fromLatin1(kClipListPrompt));
    combo->lineEdit()->setCursorPosition(0);
}

void frmMain::cmdClipPrev_Click() {
    if (FileExists(ctx.state.CollectorPath + P("\\1")))
        ctx.forms.Show(FormId::frmClipPrev);
    else
        ctx.messages.Show(QStringLiteral("There are no text Clips to preview."));
}

void frmMain::cmdPreview_Click() {
    ctx.forms.Show(FormId::frmPreview);
}

void frmMain::cmdPix_Click() {
    ctx.state.TextModeActive = false;
    ctx.forms.RefreshPictureSlots();
    ctx.forms.Show(FormId::frmPix);
    hide();
}

void frmMain::mnuProgHelp_Click() {
    OpenHelp(ctx, this);
}

} // namespace quorrel
