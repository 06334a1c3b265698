#pragma once
// Store paths, built by plain concatenation. Literals are written with "\" as the separator,
// as the store was designed on Windows; P() turns them into "/".
#include <string>

namespace quorrel {

inline constexpr char Sep = '/';

// "\Clips" -> "/Clips"
std::string P(std::string literal);

// DocumentsPath & "\Clips"
std::string StoreRoot(const std::string& documents);
// DocumentsPath & "\Clips" & "\Data"
std::string DataFolder(const std::string& documents);
// DocumentsPath & "\Clips" & "\Data\" : the collectors folder, with its trailing separator
std::string CollectorsFolder(const std::string& documents);
// DocumentsPath & "\Clips" & "\Data\Settings.ini"
std::string AppSettingsFile(const std::string& documents);

} // namespace quorrel
