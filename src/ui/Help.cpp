#include "Help.h"

namespace quorrel {

void OpenHelp(Context& ctx, QWidget* owner) {
    ctx.help.HtmlHelp(owner, kHelpFile, 0, 0);
}

} // namespace quorrel
