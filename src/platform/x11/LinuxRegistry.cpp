#include "LinuxRegistry.h"

namespace quorrel {

long LinuxRegistry::RegOpenKeyExA(HKEY, const std::string&, unsigned long, unsigned long, HKEY*) {
    return 2; // ERROR_FILE_NOT_FOUND
}
long LinuxRegistry::RegQueryValueExA(HKEY, const std::string&, unsigned long*, unsigned char*,
                                     unsigned long*) {
    return 2;
}
long LinuxRegistry::RegCloseKey(HKEY) { return 0; }

} // namespace quorrel
