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
#include <string>

#include <sys/resource.h>
#include <sys/xattr.h>

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
