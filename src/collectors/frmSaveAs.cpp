#include "frmSaveAs.h"

namespace quorrel {

frmSaveAs::frmSaveAs(Context& c) : Form(FormId::frmSaveAs, c) {}

void frmSaveAs::Form_Load() {}

} // namespace quorrel
