#include "NameDialog.h"

#include "CollectorSteps.h"
#include "core/RuntimeError.h"
#include "ui/Forms.h"
#include "ui/StoreText.h"
#include "ui/Trap.h"

#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

void FollowNameBox(QLineEdit* text1, QPushButton* ok) {
    QObject::connect(text1, &QLineEdit::textChanged, ok,
                     [ok](const QString& t) { ok->setEnabled(!t.isEmpty()); });
}

void CreateCollectorFromDialog(Context& ctx, QLineEdit* text1, FormId self) {
    BusyGuard busy(ctx.busy);
    const QString shown = text1->text();
    const std::string name = ToStore(shown);
    const std::string& docs = ctx.state.DocumentsPath;
    if (const std::string problem = CollectorNameProblem(docs, name); !problem.empty()) {
        busy.Off();
        ctx.messages.Show(QString::fromStdString(problem));
        return;
    }
    if (CollectorExists(docs, name)) {
        ctx.messages.Show(QStringLiteral("A collector with that name already exists."));
        text1->clear();
        return;
    }
    try {
        // The store first, all or nothing: a failure leaves the settings, the open collector and
        // both windows (the picture slots too) as they were.
        CreateCollector(ctx.state, name);
    } catch (const RuntimeError& e) {
        busy.Off();
        ctx.messages.Show(QString::fromStdString(e.Message()));
        return;
    }
    ctx.forms.HidePictureSlots();
    ctx.forms.SetCollectorLabels(shown);
    ctx.forms.ResetClipList(QStringLiteral("Select To Replace Clipboard Contents"));
    ctx.forms.ResetClipList(shown);
    ctx.forms.EnableAdd();
    busy.Off();
    if (ctx.state.FirstRun) {
        ctx.forms.Show(FormId::frmMain);
        ctx.state.FirstRun = false;
    }
    ctx.forms.Unload(self);
}

} // namespace quorrel
