#pragma once
#include "ui/Form.h"

namespace quorrel {

class frmPreview : public Form {
    Q_OBJECT
  public:
    explicit frmPreview(Context& ctx);
    void Form_Load() override;

};

} // namespace quorrel
