#include "frmNameTxt.h"

#include "NameDialog.h"
#include "ui/Forms.h"

#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

frmNameTxt::frmNameTxt(Context& c) : Form(FormId::frmNameTxt, c) {
    FollowNameBox(Ctl<QLineEdit>("Text1"), Ctl<QPushButton>("cmdOk"));
    connect(Ctl<QPushButton>("cmdOk"), &QPushButton::clicked, this, &frmNameTxt::cmdOk_Click);
    connect(Ctl<QPushButton>("cmdCancel"), &QPushButton::clicked, this,
            &frmNameTxt::cmdCancel_Click);
}

void frmNameTxt::Form_Load() {
    SetOuterHeight(2520);
}

void frmNameTxt::cmdOk_Click() {
    CreateCollectorFromDialog(ctx, Ctl<QLineEdit>("Text1"), Id());
}

void frmNameTxt::cmdCancel_Click() {
    ctx.busy.Set(false);
    ctx.forms.Unload(Id());
}

} // namespace quorrel
