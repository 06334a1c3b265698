#pragma once
#include "ui/Form.h"

namespace quorrel {

// The first collector. Giving up removes the store again, so the next start is a first start.
class frmFirst : public FormOf<frmFirstControls> {
    Q_OBJECT
  public:
    explicit frmFirst(Context& ctx);
    void Form_Load() override;
    void Form_Unload() override;

    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

  private:
    void GiveUp();
    bool gaveUp_ = false;
};

} // namespace quorrel
