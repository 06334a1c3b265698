#include "frmOpen.h"

#include "CollectorSteps.h"
#include "core/RuntimeError.h"
#include "core/Store.h"
#include "ui/Forms.h"
#include "ui/StoreText.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

frmOpen::frmOpen(Context& c) : FormOf(c) {
    ConnectTrapped(ui.Combo1, &QComboBox::activated, this, &frmOpen::Combo1_Click);
    ConnectTrapped(ui.cmdOk, &QPushButton::clicked, this, &frmOpen::cmdOk_Click);
    ConnectTrapped(ui.cmdCancel, &QPushButton::clicked, this, &frmOpen::cmdCancel_Click);
}

void frmOpen::Form_Load() {
    auto* combo = ui.Combo1;
    const QString prompt = combo->currentText();
    try {
        for (const std::string& name : ListCollectors(ctx.state.DocumentsPath))
            combo->addItem(FromStore(name));
    } catch (const RuntimeError& e) {
        ctx.messages.Show(QString::fromStdString(e.Message()));
    }
    // No item is current, so that the first Down chooses the first collector; the prompt stays.
    combo->setCurrentIndex(-1);
    combo->setEditText(prompt);
}

void frmOpen::Combo1_Click(int) {
    ui.cmdOk->setEnabled(true);
}

void frmOpen::cmdOk_Click() {
    const QString shown = ui.Combo1->currentText();
    const std::string name = ToStore(shown);
    const std::string& docs = ctx.state.DocumentsPath;
    // The text stays editable after a choice: check what it names before anything changes.
    if (const std::string problem = ExistingNameProblem(name); !problem.empty()) {
        ctx.messages.Show(QString::fromStdString(problem));
        return;
    }
    bool listed = false;
    try {
        for (const std::string& n : ListCollectors(docs))
            listed = listed || n == name;
    } catch (const RuntimeError&) {
    }
    if (!listed) {
        ctx.messages.Show(QStringLiteral("There is no collector named '%1'.").arg(shown));
        return;
    }
    // The store first: what an interrupted command left is finished, the list read and the
    // settings written, before anything on screen changes. A failure leaves the previous
    // collector open with its list.
    std::vector<std::string> clips;
    BusyGuard busy(ctx.busy);
    try {
        const std::string folder = CollectorFolderOf(docs, name);
        RecoverCollectorsFolder(docs);
        RecoverCollector(folder);
        clips = ReadClipIndex(folder);
        RecordOpenCollector(ctx.state, name);
    } catch (const RuntimeError& e) {
        busy.Off();
        ctx.messages.Show(QString::fromStdString(e.Message()));
        return;
    }
    ctx.forms.ResetClipList(QStringLiteral("Select To Replace Clipboard Contents"));
    ctx.forms.AddClipItems(FromStore(clips));
    ctx.forms.SetCollectorLabels(shown);
    ctx.forms.EnableAdd();
    ctx.forms.RefreshPictureSlots();
    busy.Off();
    ctx.forms.Unload(Id());
}

void frmOpen::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
