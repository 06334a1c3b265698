#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace quorrel {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return FileIdentity{path,
                        static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::int64_t>(st.st_size),
                        ns(st.st_mtim),
                        ns(st.st_ctim)};
}

} // namespace quorrel
