#pragma once
#include "platform/Services.h"

namespace quorrel {

// Stands in for the two registry values that locate the system information tool.
class LinuxRegistry : public Registry {
  public:
    long RegOpenKeyExA(HKEY root, const std::string& subKey, unsigned long options,
                       unsigned long access, HKEY* result) override;
    long RegQueryValueExA(HKEY key, const std::string& valueName, unsigned long* type,
                          unsigned char* buffer, unsigned long* size) override;
    long RegCloseKey(HKEY key) override;
};

} // namespace quorrel
