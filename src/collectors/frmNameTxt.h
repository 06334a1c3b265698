#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmNameTxt : public Form {
    Q_OBJECT
  public:
    explicit frmNameTxt(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
