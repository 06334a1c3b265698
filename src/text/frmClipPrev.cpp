#include "frmClipPrev.h"

namespace quorrel {

frmClipPrev::frmClipPrev(Context& c) : Form(FormId::frmClipPrev, c) {}

void frmClipPrev::Form_Load() {}

} // namespace quorrel
