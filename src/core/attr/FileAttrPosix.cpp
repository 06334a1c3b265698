// The DOS attribute bits in user.DOSATTRIB, written as Samba writes them ("0x2", "0x20"), so a
// store shared with Windows through Samba keeps its hidden files hidden.
#include "core/FileAttr.h"

#include "core/RuntimeError.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/xattr.h>

namespace quorrel {

namespace {

constexpr const char* kAttrName = "user.DOSATTRIB";
constexpr unsigned kReadOnly = 0x1;
constexpr unsigned kHidden = 0x2;
constexpr unsigned kArchive = 0x20;

bool Unsupported(int err) {
    return err == ENOTSUP || err == EOPNOTSUPP;
}

void SetDosAttributes(const std::string& path, unsigned bits) {
    char text[16];
    const int len = std::snprintf(text, sizeof text, "0x%x", bits);
    // Never through a link: the attribute belongs to the store's own file.
    if (::lsetxattr(path.c_str(), kAttrName, text, static_cast<size_t>(len), 0) == 0) return;
    // A file system without user attributes simply records nothing.
    if (Unsupported(errno)) return;
    throw FromErrno(errno, false);
}

} // namespace

void SetHidden(const std::string& path) {
    SetDosAttributes(path, kHidden);
}

void SetArchiveOnly(const std::string& path) {
    SetDosAttributes(path, kArchive);
}

// The DOS bits recorded for the file; 0 where nothing (or Samba's binary form) is recorded.
static unsigned DosBits(const std::string& path) {
    char text[64] = {};
    const ssize_t len = ::lgetxattr(path.c_str(), kAttrName, text, sizeof text - 1);
    if (len <= 0) return 0;
    // Samba's newer binary form starts with a version number, not with "0x"; treat as unset.
    if (len < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
    return static_cast<unsigned>(std::strtoul(text + 2, nullptr, 16));
}

bool IsHidden(const std::string& path) {
    return (DosBits(path) & kHidden) != 0;
}

bool IsReadOnly(const std::string& path) {
    return (DosBits(path) & kReadOnly) != 0;
}

// The user attributes (user.DOSATTRIB among them); other name spaces belong to the system.
void CopyAttributes(const std::string& from, const std::string& to) {
    ssize_t size = ::llistxattr(from.c_str(), nullptr, 0);
    if (size < 0) {
        if (Unsupported(errno)) return;
        throw FromErrno(errno, false);
    }
    std::vector<char> names(static_cast<size_t>(size) + 1);
    size = ::llistxattr(from.c_str(), names.data(), names.size());
    if (size < 0) throw FromErrno(errno, false);
    for (const char* n = names.data(); n < names.data() + size; n += std::strlen(n) + 1) {
        if (std::strncmp(n, "user.", 5) != 0) continue;
        const ssize_t len = ::lgetxattr(from.c_str(), n, nullptr, 0);
        if (len < 0) throw FromErrno(errno, false);
        std::vector<char> value(static_cast<size_t>(len) + 1);
        const ssize_t got = ::lgetxattr(from.c_str(), n, value.data(), value.size());
        if (got < 0) throw FromErrno(errno, false);
        if (::lsetxattr(to.c_str(), n, value.data(), static_cast<size_t>(got), 0) != 0) {
            if (Unsupported(errno)) return;
            throw FromErrno(errno, false);
        }
    }
}

} // namespace quorrel
