#pragma once
// What the two mode windows share: the File menu and About, the collector label and losing the
// focus.
#include "Context.h"

namespace quorrel {

class Form;

// `createEntry` names the menu entry of "&Create a New Collector" (it differs between the two).
void ConnectModeWindow(Form& window, Context& ctx, const char* createEntry, bool isTextMode);

} // namespace quorrel
