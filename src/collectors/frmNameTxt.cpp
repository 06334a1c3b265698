#include "frmNameTxt.h"

#include "NameDialog.h"
#include "ui/Forms.h"

#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

frmNameTxt::frmNameTxt(Context& c) : FormOf(c) {
    FollowNameBox(ui.Text1, ui.cmdOk);
    ConnectTrapped(ui.cmdOk, &QPushButton::clicked, this, &frmNameTxt::cmdOk_Click);
    ConnectTrapped(ui.cmdCancel, &QPushButton::clicked, this, &frmNameTxt::cmdCancel_Click);
}

void frmNameTxt::Form_Load() {}

void frmNameTxt::cmdOk_Click() {
    CreateCollectorFromDialog(ctx, ui.Text1, Id());
}

void frmNameTxt::cmdCancel_Click() {
    ctx.busy.Set(false);
    ctx.forms.Unload(Id());
}

} // namespace quorrel
