#include "core/Paths.h"

#include "core/TextFile.h"

#include <algorithm>

namespace quorrel {

std::string P(std::string literal) {
    std::replace(literal.begin(), literal.end(), '\\', Sep);
    return literal;
}

// Each fixed name is found whatever its letter case (a store copied from Windows).
std::string StoreRoot(const std::string& documents) {
    return InFolder(documents, "Clips");
}

std::string DataFolder(const std::string& documents) {
    return InFolder(StoreRoot(documents), "Data");
}

std::string CollectorsFolder(const std::string& documents) {
    return DataFolder(documents) + Sep;
}

std::string AppSettingsFile(const std::string& documents) {
    return InFolder(DataFolder(documents), "Settings.ini");
}

} // namespace quorrel
