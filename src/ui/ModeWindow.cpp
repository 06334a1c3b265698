#include "ModeWindow.h"

#include "ClickableLabel.h"
#include "Form.h"
#include "Forms.h"
#include "clipwatch/HotKey.h"

#include <QAction>
#include <QTimer>

namespace quorrel {

void ConnectModeWindow(Form& w, Context& ctx, const ModeControls& ui, QAction* createEntry,
                       bool isTextMode) {
    auto show = [&ctx](FormId id) { return [&ctx, id] { ctx.forms.Show(id); }; };
    w.ConnectTrapped(createEntry, &QAction::triggered, &w, show(FormId::frmNameTxt));
    w.ConnectTrapped(ui.mnuOpen, &QAction::triggered, &w, show(FormId::frmOpen));
    w.ConnectTrapped(ui.mnuSave, &QAction::triggered, &w, show(FormId::frmSaveAs));
    w.ConnectTrapped(ui.mnuDelete, &QAction::triggered, &w, show(FormId::frmDelete));
    w.ConnectTrapped(ui.mnuAbout, &QAction::triggered, &w, show(FormId::frmAbout));
    // Closing either mode window ends the program: each one's unload takes the other along.
    const FormId id = w.Id();
    w.ConnectTrapped(ui.mnuExit, &QAction::triggered, &w, [&ctx, id] { ctx.forms.Unload(id); });
    w.ConnectTrapped(ui.lblCollector, &ClickableLabel::clicked, &w, show(FormId::frmOpen));
    // The hot key and losing the focus act on the window of the current mode only.
    w.ConnectTrapped(&w, &Form::LostFocus, &w, [&ctx, &w, isTextMode] {
        if (ctx.state.TextModeActive == isTextMode) LoseFocus(ctx.state, &w);
    });
    w.ConnectTrapped(ui.Timer1, &QTimer::timeout, &w,
                     [&ctx, &w, isTextMode] { HotKeyTick(ctx.state, ctx.keys, isTextMode, &w); });
}

} // namespace quorrel
