#include "frmSaveAs.h"

#include "CollectorSteps.h"
#include "NameDialog.h"
#include "core/RuntimeError.h"
#include "ui/Forms.h"
#include "ui/StoreText.h"

#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

frmSaveAs::frmSaveAs(Context& c) : Form(FormId::frmSaveAs, c) {
    FollowNameBox(Ctl<QLineEdit>("Text1"), Ctl<QPushButton>("cmdOk"));
    connect(Ctl<QPushButton>("cmdOk"), &QPushButton::clicked, this, &frmSaveAs::cmdOk_Click);
    connect(Ctl<QPushButton>("cmdCancel"), &QPushButton::clicked, this,
            &frmSaveAs::cmdCancel_Click);
}

void frmSaveAs::Form_Load() {
    SetOuterHeight(2430);
    Ctl<QLineEdit>("Text1")->setFocus(Qt::OtherFocusReason);
}

void frmSaveAs::cmdOk_Click() {
    const std::string name = ToStore(Ctl<QLineEdit>("Text1")->text());
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
