#include "frmAbout.h"

#include "Forms.h"
#include "ImageBox.h"
#include "Resources.h"
#include "SysInfo.h"

#include <QPushButton>

namespace quorrel {

frmAbout::frmAbout(Context& c) : Form(FormId::frmAbout, c) {
    connect(Ctl<QPushButton>("cmdOK"), &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(Ctl<QPushButton>("cmdSysInfo"), &QPushButton::clicked, this,
            &frmAbout::cmdSysInfo_Click);
    Ctl<ImageBox>("Image1")->SetPicture(ProductPicture());
}

void frmAbout::Form_Load() {
    SetOuterHeight(3975);
}

void frmAbout::cmdOK_Click() {
    ctx.forms.Unload(FormId::frmAbout);
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo(ctx);
}

} // namespace quorrel
