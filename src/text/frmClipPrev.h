#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmClipPrev : public Form {
    Q_OBJECT
  public:
    explicit frmClipPrev(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
