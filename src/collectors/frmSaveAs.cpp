#include "frmSaveAs.h"

#include "CollectorSteps.h"
#include "NameDialog.h"
#include "core/RuntimeError.h"
#include "ui/Forms.h"
#include "ui/StoreText.h"

#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

frmSaveAs::frmSaveAs(Context& c) : FormOf(c) {
    FollowNameBox(ui.Text1, ui.cmdOk);
    ConnectTrapped(ui.cmdOk, &QPushButton::clicked, this, &frmSaveAs::cmdOk_Click);
    ConnectTrapped(ui.cmdCancel, &QPushButton::clicked, this, &frmSaveAs::cmdCancel_Click);
}

void frmSaveAs::Form_Load() {
    ui.Text1->setFocus(Qt::OtherFocusReason);
}

void frmSaveAs::cmdOk_Click() {
    const std::string name = ToStore(ui.Text1->text());
    const std::string& docs = ctx.state.DocumentsPath;
    if (const std::string problem = CollectorNameProblem(docs, name); !problem.empty()) {
        ctx.messages.Show(QString::fromStdString(problem));
        return;
    }
    if (CollectorExists(docs, name)) {
        ctx.messages.Show(QStringLiteral("A Collector With That Name Already Exists."));
        return;
    }
    try {
        BusyGuard busy(ctx.busy);
        CopyCollector(docs, ctx.state.CollectorPath, name);
    } catch (const RuntimeError& e) {
        ctx.messages.Show(QString::fromStdString(e.Message()));
        return;
    }
    ctx.forms.Unload(Id());
}

void frmSaveAs::cmdCancel_Click() {
    ctx.forms.Unload(Id());
}

} // namespace quorrel
