#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmOpen : public Form {
    Q_OBJECT
  public:
    explicit frmOpen(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
