#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmSaveAs : public Form {
    Q_OBJECT
  public:
    explicit frmSaveAs(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
