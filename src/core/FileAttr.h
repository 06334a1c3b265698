#pragma once
// The DOS file attributes the store uses. On Linux they are kept in the extended attribute
// user.DOSATTRIB where the file system takes it; elsewhere nothing is recorded. A symbolic link is
// never followed.
#include <string>

namespace quorrel {

void SetHidden(const std::string& path);      // attributes := hidden
void SetArchiveOnly(const std::string& path); // attributes := archive (clears hidden, read-only)
bool IsHidden(const std::string& path);       // false where nothing is recorded
bool IsReadOnly(const std::string& path);     // the read-only attribute; false where not recorded
// Gives `to` the attributes `from` carries (a copied file keeps its hidden attribute).
void CopyAttributes(const std::string& from, const std::string& to);

} // namespace quorrel
