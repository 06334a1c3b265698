#pragma once
// The About box's System Info button: finds the system information tool through the two
// registry values that locate it, and starts it.
#include "Context.h"

#include <string>

namespace quorrel {

inline constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char* kSysInfoValue = "PATH";
inline constexpr const char* kSysInfoFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char* kSysInfoFolderValue = "MSINFO";
inline constexpr const char* kSysInfoUnavailable = "System Information Is Unavailable At This Time";

// Reads one value: true when the key opened and the value was read. A text value comes back
// without its final zero byte; a number comes back as "&h" and hex digits; any other type
// leaves `output` as it was. A value without any data raises error 5.
bool GetKeyValue(Registry& registry, Registry::HKEY root, const std::string& keyPath,
                 const std::string& valueName, std::string& output);

// Starts the tool, or says that it cannot.
void StartSysInfo(Context& ctx);

} // namespace quorrel
