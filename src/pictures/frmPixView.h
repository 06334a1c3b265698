#pragma once
#include "ui/Form.h"

namespace quorrel {

// The picture viewer: the clipboard's picture at its natural size, in a window fitted around
// it. It keeps the picture it was opened with; a click on the picture closes it.
class frmPixView : public FormOf<frmPixViewControls> {
    Q_OBJECT
  public:
    explicit frmPixView(Context& ctx);
    void Form_Load() override;
    void Image1_Click();
};

} // namespace quorrel
