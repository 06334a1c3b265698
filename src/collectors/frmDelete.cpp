#include "frmDelete.h"

namespace quorrel {

frmDelete::frmDelete(Context& c) : Form(FormId::frmDelete, c) {}

void frmDelete::Form_Load() {}

} // namespace quorrel
