#include "frmFirst.h"

#include "NameDialog.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"
#include "ui/Forms.h"
#include "ui/Help.h"
#include "ui/StoreText.h"

#include <QLineEdit>
#include <QPushButton>

namespace quorrel {

frmFirst::frmFirst(Context& c) : FormOf(c) {
    FollowNameBox(ui.Text1, ui.cmdOk);
    ConnectTrapped(ui.cmdOk, &QPushButton::clicked, this, &frmFirst::cmdOk_Click);
    ConnectTrapped(ui.cmdCancel, &QPushButton::clicked, this, &frmFirst::cmdCancel_Click);
    ConnectTrapped(ui.cmdHelp, &QPushButton::clicked, this, &frmFirst::cmdHelp_Click);
}

void frmFirst::Form_Load() {}

void frmFirst::cmdOk_Click() {
    CreateCollectorFromDialog(ctx, ui.Text1, Id());
}

void frmFirst::cmdHelp_Click() {
    OpenHelp(ctx, this);
}

void frmFirst::cmdCancel_Click() {
    ctx.busy.Set(false);
    GiveUp();
    ctx.forms.Unload(Id());
}

void frmFirst::Form_Unload() {
    ctx.busy.Set(false);
    if (ctx.state.FirstRun) GiveUp();
}

// Removes the store just made and closes the hidden text-mode window: the program ends.
void frmFirst::GiveUp() {
    if (gaveUp_) return;
    gaveUp_ = true;
    const std::string root = StoreRoot(ctx.state.DocumentsPath);
    try {
        if (FolderExists(root)) DeleteFolder(root);
    } catch (const RuntimeError& e) {
        // The program ends anyway; the message says what was left behind.
        ctx.messages.Show(QStringLiteral("The folder %1 could not be removed: %2")
                              .arg(FromStore(root), QString::fromStdString(e.Message())));
    }
    ctx.forms.Unload(FormId::frmMain);
}

} // namespace quorrel
