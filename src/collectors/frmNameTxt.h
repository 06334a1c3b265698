#pragma once
#include "ui/Form.h"

namespace quorrel {

// Create Collector: a new, empty collector under a typed name becomes the open one.
class frmNameTxt : public FormOf<frmNameTxtControls> {
    Q_OBJECT
  public:
    explicit frmNameTxt(Context& ctx);
    void Form_Load() override;

    void cmdOk_Click();
    void cmdCancel_Click();
};

} // namespace quorrel
