#pragma once
#include "ui/Form.h"

namespace quorrel {

// Save As: a full copy of the open collector under a new name; the open collector stays open.
class frmSaveAs : public FormOf<frmSaveAsControls> {
    Q_OBJECT
  public:
    explicit frmSaveAs(Context& ctx);
    void Form_Load() override;

    void cmdOk_Click();
    void cmdCancel_Click();
};

} // namespace quorrel
