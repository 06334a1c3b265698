#pragma once
#include "ui/Form.h"

#include <string>

namespace quorrel {

// Delete Collector: every collector but the open one is listed; the chosen one is removed.
class frmDelete : public FormOf<frmDeleteControls> {
    Q_OBJECT
  public:
    explicit frmDelete(Context& ctx);
    void Form_Load() override;

    void Combo1_Click(int index);
    void cmdOk_Click();
    void cmdCancel_Click();

  private:
    std::string skip_; // the open collector's name, read once at load
};

} // namespace quorrel
