#include "frmAbout.h"

namespace quorrel {

frmAbout::frmAbout(Context& c) : Form(FormId::frmAbout, c) {}

void frmAbout::Form_Load() {}

} // namespace quorrel
