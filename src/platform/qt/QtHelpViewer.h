#pragma once
#include "platform/Services.h"

namespace quorrel {

class QtHelpViewer : public HelpViewer {
  public:
    void HtmlHelp(QWidget* owner, const std::string& file, int command, int data) override;
};

} // namespace quorrel
