#include "ModeWindow.h"

#include "ClickableLabel.h"
#include "Form.h"
#include "Forms.h"
#include "clipwatch/HotKey.h"

#include <QAction>

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
    // Losing the focus hides the window of the current mode only, and only while a hot key can
    // bring it back: without one the window would be out of reach.
    w.ConnectTrapped(&w, &Form::LostFocus, &w, [&ctx, &w, isTextMode] {
        if (ctx.state.TextModeActive == isTextMode && ctx.hotKey.IsLive()) LoseFocus(ctx.state, &w);
    });
}

} // namespace quorrel
