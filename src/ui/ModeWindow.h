#pragma once
// What the two mode windows share: the File menu and About, the collector label, the hot-key
// timer and losing the focus.
#include "Context.h"

class QAction;

namespace quorrel {

class Form;
struct ModeControls;

// `createEntry` is the menu entry "&Create a New Collector" (its name differs between the two).
void ConnectModeWindow(Form& window, Context& ctx, const ModeControls& ui, QAction* createEntry,
                       bool isTextMode);

} // namespace quorrel
