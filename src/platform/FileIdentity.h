#pragma once
// Which file a path names now, and when and how big it was: enough to tell that a file read
// before is still the same one, also after the folder it lies in was replaced by another.
#include <cstdint>
#include <optional>
#include <string>

namespace quorrel {

struct FileIdentity {
    std::string path;
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = -1;
    std::int64_t modifiedNs = 0, changedNs = 0; // last write, last change of the entry
    bool operator==(const FileIdentity&) const = default;
};

// Nothing when no file can be looked at under that path.
std::optional<FileIdentity> IdentityOf(const std::string& path);

} // namespace quorrel
