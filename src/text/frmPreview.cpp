#include "frmPreview.h"

namespace quorrel {

frmPreview::frmPreview(Context& c) : Form(FormId::frmPreview, c) {}

void frmPreview::Form_Load() {}

} // namespace quorrel
