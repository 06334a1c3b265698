#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmAbout : public Form {
    Q_OBJECT
  public:
    explicit frmAbout(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
