#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmPixView : public Form {
    Q_OBJECT
  public:
    explicit frmPixView(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
