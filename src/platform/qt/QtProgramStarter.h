#pragma once
#include "platform/Services.h"

namespace quorrel {

class QtProgramStarter : public ProgramStarter {
  public:
    bool Start(const std::string& path) override;
};

} // namespace quorrel
