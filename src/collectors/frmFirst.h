#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmFirst : public Form {
    Q_OBJECT
  public:
    explicit frmFirst(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
