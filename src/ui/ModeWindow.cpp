#include "ModeWindow.h"

#include "Form.h"
#include "Forms.h"
#include "clipwatch/HotKey.h"

#include <QAction>
#include <QTimer>

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
    // The hot key and losing the focus act on the window of the current mode only.
    w.connect(&w, &Form::LostFocus, &w, [&ctx, &w, isTextMode] {
        if (ctx.state.TextModeActive == isTextMode) LoseFocus(ctx.state, &w);
    });
    w.connect(w.findChild<QTimer*>(QStringLiteral("Timer1")), &QTimer::timeout, &w,
              [&ctx, &w, isTextMode] { HotKeyTick(ctx.state, ctx.keys, isTextMode, &w); });
}

} // namespace quorrel
