#pragma once
#include "ui/Form.h"

namespace quorrel {

// Shows the clipboard's text in a large box; OK puts the (edited) text back.
class frmPreview : public FormOf<frmPreviewControls> {
    Q_OBJECT
  public:
    explicit frmPreview(Context& ctx);
    void Form_Load() override;

    void cmdOk_Click();
    void cmdCancel_Click();

  private:
    QString fullText_; // the whole text while the box shows only its beginning
    bool secret_ = false;
};

} // namespace quorrel
