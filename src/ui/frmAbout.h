#pragma once
#include "ui/Form.h"

namespace quorrel {

// The About box: the program's name, version and picture, and the way to the system
// information tool.
class frmAbout : public FormOf<frmAboutControls> {
    Q_OBJECT
  public:
    explicit frmAbout(Context& ctx);
    void Form_Load() override;

  public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();
};

} // namespace quorrel
