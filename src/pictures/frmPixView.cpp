#include "frmPixView.h"

namespace quorrel {

frmPixView::frmPixView(Context& c) : Form(FormId::frmPixView, c) {}

void frmPixView::Form_Load() {}

} // namespace quorrel
