#include "frmDelete.h"

#include "CollectorSteps.h"
#include "core/Ini.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"
#include "platform/Trash.h"
#include "ui/Forms.h"
#include "ui/StoreText.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quorrel {

namespace {
const char* const kOpenOne = "You may not delete the Collector you have open";
}

frmDelete::frmDelete(Context& c) : FormOf(c) {
    ConnectTrapped(ui.Combo1, &QComboBox::activated, this, &frmDelete::Combo1_Click);
    ConnectTrapped(ui.cmdOk, &QPushButton::clicked, this, &frmDelete::cmdOk_Click);
    ConnectTrapped(ui.cmdCancel, &QPushButton::clicked, this, &frmDelete::cmdCancel_Click);
}

void frmDelete::Form_Load() {
    const std::string& docs = ctx.state.DocumentsPath;
    auto* combo = ui.Combo1;
    try {
        skip_ = ReadINI(AppSettingsFile(docs), "Collector", "Skip");
        SetCaption(ui.lblSkip,
                   QStringLiteral("The Collector named '") + FromStore(skip_) +
                       QStringLiteral("'\r\nis currently open and will not be listed."));
        for (const std::string& name : DeletableCollectors(docs, skip_))
            combo->addItem(FromStore(name));
    } catch (const RuntimeError& e) {
        ctx.messages.Show(QString::fromStdString(e.Message()));
    }
    combo->setCurrentIndex(-1); // the first Down chooses the first collector
    combo->setEditText(QString());
    ui.cmdOk->setEnabled(false);
}

void frmDelete::Combo1_Click(int) {
    if (!ui.Combo1->currentText().isEmpty()) ui.cmdOk->setEnabled(true);
}

void frmDelete::cmdOk_Click() {
    const QString shown = ui.Combo1->currentText();
    const std::string name = ToStore(shown);
    const std::string& docs = ctx.state.DocumentsPath;
    QString told;
    try {
        EnterCollectorsFolder(docs);
        if (name.empty()) {
            ctx.messages.Show(QStringLiteral("You must first choose a collector to delete"));
            ctx.forms.Unload(Id());
            return;
        }
        // The text stays editable: a typed name must still name one collector folder, and
        // never the open one, whose folder the mode windows go on writing to.
        if (const std::string problem = ExistingNameProblem(name); !problem.empty()) {
            ctx.messages.Show(QString::fromStdString(problem));
            return;
        }
        if (IsOpenCollector(ctx.state, skip_, name)) {
            ctx.messages.Show(QString::fromLatin1(kOpenOne));
            return;
        }
        BusyGuard busy(ctx.busy);
        // To the Trash, from where it can be restored; deleted for good only where there is none.
        // A link, a missing folder and a read-only file are the deletion's to answer, as ever.
        const QString named = QStringLiteral("The Collector '") + shown + QLatin1Char('\'');
        const std::string folder = CollectorsFolder(docs) + name;
        if (!IsLink(folder) && FolderExists(folder) && FirstReadOnly(folder).empty() &&
            MoveToTrash(folder)) {
            told =
                named + QStringLiteral(" was moved to the Trash, from where it can be restored.");
        } else {
            DeleteCollector(docs, name);
            told = named +
                   QStringLiteral(" was deleted for good: there is no Trash where it was kept.");
        }
    } catch (const RuntimeError& e) {
        // "You may not delete the Collector you have open" only where that is the reason
        // (checked above): any failure of the deletion itself is told as it is.
        ctx.messages.Show(
            QStringLiteral("Runtime Error\r\n%1 %2").arg(e.number).arg(FromStore(e.description)));
        return;
    }
    ctx.messages.Show(told);
    ctx.forms.Unload(Id());
}

void frmDelete::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
