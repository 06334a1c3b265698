#include "frmNameTxt.h"

namespace quorrel {

frmNameTxt::frmNameTxt(Context& c) : Form(FormId::frmNameTxt, c) {}

void frmNameTxt::Form_Load() {}

} // namespace quorrel
