#include "core/Paths.h"

#include <algorithm>

namespace quorrel {

std::string P(std::string literal) {
    std::replace(literal.begin(), literal.end(), '\\', Sep);
    return literal;
}

std::string StoreRoot(const std::string& documents) {
    return documents + P("\\Clips");
}

std::string DataFolder(const std::string& documents) {
    return StoreRoot(documents) + P("\\Data");
}

std::string CollectorsFolder(const std::string& documents) {
    return StoreRoot(documents) + P("\\Data\\");
}

std::string AppSettingsFile(const std::string& documents) {
    return StoreRoot(documents) + P("\\Data\\Settings.ini");
}

} // namespace quorrel
