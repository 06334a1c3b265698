#include "frmOpen.h"

namespace quorrel {

frmOpen::frmOpen(Context& c) : Form(FormId::frmOpen, c) {}

void frmOpen::Form_Load() {}

} // namespace quorrel
