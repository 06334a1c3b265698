#include "frmFirst.h"

namespace quorrel {

frmFirst::frmFirst(Context& c) : Form(FormId::frmFirst, c) {}

void frmFirst::Form_Load() {}

} // namespace quorrel
