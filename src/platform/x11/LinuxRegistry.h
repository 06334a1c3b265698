#pragma once
#include "platform/Services.h"

#include <string>
#include <vector>

namespace quorrel {

// Stands in for the two registry values that locate the system information tool. The tool's
// path is the first desktop system monitor found on the search path; the folder location is
// given only where a file MSINFO32.EXE really lies in one of the tool folders.
class LinuxRegistry : public Registry {
  public:
    // Searches $PATH, and the program's own folder for MSINFO32.EXE.
    LinuxRegistry();
    LinuxRegistry(std::string searchPath, std::vector<std::string> toolFolders);

    long RegOpenKeyExA(HKEY root, const std::string& subKey, unsigned long options,
                       unsigned long access, HKEY* result) override;
    long RegQueryValueExA(HKEY key, const std::string& valueName, unsigned long* type,
                          unsigned char* buffer, unsigned long* size) override;
    long RegCloseKey(HKEY key) override;

    // The system monitors tried, in this order.
    static const std::vector<std::string>& Tools();

  private:
    std::string searchPath_;
    std::vector<std::string> toolFolders_;
};

} // namespace quorrel
