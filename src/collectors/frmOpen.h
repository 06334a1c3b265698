#pragma once
#include "ui/Form.h"

namespace quorrel {

// Open Collector: the chosen collector becomes the open one in both mode windows.
class frmOpen : public FormOf<frmOpenControls> {
    Q_OBJECT
  public:
    explicit frmOpen(Context& ctx);
    void Form_Load() override;

    void Combo1_Click(int index);
    void cmdOk_Click();
    void cmdCancel_Click();
};

} // namespace quorrel
