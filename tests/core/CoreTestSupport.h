#pragma once
// Scratch folders and file helpers shared by the store tests.
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quorrel::test {

// A fresh folder per test. The system temp folder may be a tmpfs without user attributes: the
// hidden-attribute checks skip there.
class ScratchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "quorrel-core-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(root); }
    std::string Path(const std::string& name) const { return root + "/" + name; }
    long Entries(const std::string& folder) const {
        return std::distance(std::filesystem::directory_iterator(folder), {});
    }
    std::string root;
};

inline void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline bool UserAttrsSupported(const std::string& folder) {
    const std::string probe = folder + "/.xattr-probe";
    Put(probe, "");
    const bool ok = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0 ||
                    (errno != ENOTSUP && errno != EOPNOTSUPP);
    std::filesystem::remove(probe);
    return ok;
}

#define SKIP_WITHOUT_USER_ATTRS(folder)                                                            \
    if (!::quorrel::test::UserAttrsSupported(folder))                                              \
    GTEST_SKIP() << "no user extended attributes on " << (folder)

// While it lives, a write beyond `bytes` fails (EFBIG): a full disk without needing one, and
// root is bound by it too.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

// While it lives, a root process acts as the user nobody (root ignores permissions); a process
// of another user stays as it is. `Usable()` is false where root is refused the switch.
class AsNobody {
  public:
    AsNobody() {
        if (::geteuid() == 0) usable_ = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~AsNobody() {
        if (::getuid() == 0 && ::geteuid() != 0 && (::seteuid(0) != 0 || ::setegid(0) != 0))
            std::abort();
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;
    bool Usable() const { return usable_; }

  private:
    bool usable_ = true;
};

// Sets the permissions of every folder and file below `folder`, itself included.
inline void SetModes(const std::string& folder, mode_t folders, mode_t files) {
    namespace fs = std::filesystem;
    std::error_code ec;
    ::chmod(folder.c_str(), folders);
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (!it->is_symlink()) ::chmod(it->path().c_str(), it->is_directory() ? folders : files);
}

// While it lives, everything below `folder` is read-only for this process: a store the user may
// read but not write (as root, the process acts as nobody meanwhile).
class ReadOnlyTree {
  public:
    explicit ReadOnlyTree(const std::string& folder) : folder_(folder) {
        SetModes(folder_, 0555, 0444);
        user_.emplace();
    }
    ~ReadOnlyTree() {
        user_.reset();
        SetModes(folder_, 0755, 0644);
    }
    bool Usable() const { return user_->Usable(); }

  private:
    std::string folder_;
    std::optional<AsNobody> user_;
};

#define SKIP_UNLESS_USABLE(user)                                                                   \
    if (!(user).Usable()) GTEST_SKIP() << "this process cannot act as another user"

} // namespace quorrel::test

// The run-time error number a statement fails with; 0 when it does not fail.
#define ERR_OF(statement)                                                                          \
    [&]() -> int {                                                                                 \
        try {                                                                                      \
            statement;                                                                             \
        } catch (const ::quorrel::RuntimeError& e) {                                               \
            return e.number;                                                                       \
        }                                                                                          \
        return 0;                                                                                  \
    }()
