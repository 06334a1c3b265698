#pragma once
#include "ui/Form.h"

namespace quorrel {

// The picture viewer: the clipboard's picture pixel for pixel (device pixels, at any scale
// factor), in a window fitted around it. A picture larger than the screen's free area is scaled
// down to fit it, whole and in proportion. It keeps the picture it was opened with; a click on
// the picture, Esc or Enter closes it.
class frmPixView : public FormOf<frmPixViewControls> {
    Q_OBJECT
  public:
    explicit frmPixView(Context& ctx);
    void Form_Load() override;
    void Image1_Click();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

  private:
    int pressed_ = 0; // the closing key that went down in the viewer
};

} // namespace quorrel
