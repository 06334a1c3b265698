#include "frmAbout.h"

#include "Forms.h"
#include "ImageBox.h"
#include "Resources.h"
#include "SysInfo.h"

#include <QPushButton>

namespace quorrel {

frmAbout::frmAbout(Context& c) : FormOf(c) {
    ConnectTrapped(ui.cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    ConnectTrapped(ui.cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    ui.Image1->SetPicture(ProductPicture());
}

void frmAbout::Form_Load() {}

void frmAbout::cmdOK_Click() {
    ctx.forms.Unload(FormId::frmAbout);
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo(ctx);
}

} // namespace quorrel
