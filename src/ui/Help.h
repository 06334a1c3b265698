#pragma once
// The program's help, "QuorrelHelp.chm", opened by its bare name at its default topic.
#include "Context.h"

class QWidget;

namespace quorrel {

inline constexpr const char* kHelpFile = "QuorrelHelp.chm";

void OpenHelp(Context& ctx, QWidget* owner);

} // namespace quorrel
