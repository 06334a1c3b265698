#include "ModeWindow.h"

#include "Form.h"
#include "Forms.h"
#include "clipwatch/HotKey.h"

#include <QAction>

namespace quorrel {

void ConnectModeWindow(Form& w, Context& ctx, const char* createEntry, bool isTextMode) {
    auto show = [&ctx](FormId id) { return [&ctx, id] { ctx.forms.Show(id); }; };
    w.connect(w.Menu(createEntry), &QAction::triggered, &w, show(FormId::frmNameTxt));
    w.connect(w.Menu("mnuOpen"), &QAction::triggered, &w, show(FormId::frmOpen));
    w.connect(w.Menu("mnuSave"), &QAction::triggered, &w, show(FormId::frmSaveAs));
    w.connect(w.Menu("mnuDelete"), &QAction::triggered, &w, show(FormId::frmDelete));
    w.connect(w.Menu("mnuAbout"), &QAction::triggered, &w, show(FormId::frmAbout));
    // Closing either mode window ends the program: each one's unload takes the other along.
    const FormId id = w.Id();
    w.connect(w.Menu("mnuExit"), &QAction::triggered, &w, [&ctx, id] { ctx.forms.Unload(id); });
    w.connect(&w, &Form::Clicked, &w, [&ctx](const QString& name) {
        if (name == QLatin1String("lblCollector")) ctx.forms.Show(FormId::frmOpen);
    });
    // Losing the focus hides the window of the current mode only, and only while a hot key can
    // bring it back: without one the window would be out of reach.
    w.connect(&w, &Form::LostFocus, &w, [&ctx, &w, isTextMode] {
        if (ctx.state.TextModeActive == isTextMode && ctx.hotKey.IsLive()) LoseFocus(ctx.state, &w);
    });
}

} // namespace quorrel
