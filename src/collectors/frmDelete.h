#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmDelete : public Form {
    Q_OBJECT
  public:
    explicit frmDelete(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
