#pragma once
// What the store's file calls share (TextFile.cpp, LastLine.cpp, Folders.cpp): descriptors,
// modes, names and the byte-order marks. Not for use outside src/core.
#include "core/Paths.h"
#include "core/RuntimeError.h"
#include "core/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorrel::fileio {

// New files and folders are for the owner only: clips often hold passwords.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

inline std::string ParentOf(const std::string& path) {
    const auto cut = path.find_last_of(Sep);
    if (cut == std::string::npos) return ".";
    if (cut == 0) return std::string(1, Sep);
    return path.substr(0, cut);
}

inline std::string NameOf(const std::string& path) {
    const auto cut = path.find_last_of(Sep);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

inline bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

[[noreturn]] inline void ThrowFileError(int err, const std::string& path,
                                        Access how = Access::Write) {
    throw FileError(err, path, how);
}

constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

inline bool HasUtf8Mark(const std::string& bytes) {
    return bytes.size() >= 3 &&
           std::equal(kUtf8Mark, kUtf8Mark + 3, bytes.begin(),
                      [](unsigned char m, char b) { return m == static_cast<unsigned char>(b); });
}

// 0 for no UTF-16 mark, 1 for little-endian, 2 for big-endian.
inline int Utf16Mark(const std::string& bytes) {
    if (bytes.size() < 2) return 0;
    const auto a = static_cast<unsigned char>(bytes[0]), b = static_cast<unsigned char>(bytes[1]);
    return a == 0xFF && b == 0xFE ? 1 : a == 0xFE && b == 0xFF ? 2 : 0;
}

// Trailing separators would make the folder calls follow a symbolic link named by the path.
inline std::string WithoutTrailingSep(std::string path) {
    while (path.size() > 1 && path.back() == Sep)
        path.pop_back();
    return path;
}

// Twelve random hex digits: temporary names never meet, not even those of two programs.
inline std::string RandomName() {
    static std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned long long v = rng(), i = 0; i < 12; ++i, v >>= 4)
        s += digits[v & 15];
    return s;
}

inline std::string TempHomeOf(const std::string& folder) {
    return WithoutTrailingSep(folder) + Sep + kTempFolder;
}

// The temporary folder of `folder`, made when missing; 0 or the errno of the failure.
inline int MakeTempHome(const std::string& home) {
    if (::mkdir(home.c_str(), kFolderMode) == 0) return 0;
    if (errno != EEXIST) return errno;
    struct stat st {};
    if (::lstat(home.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ELOOP;
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now so that a late write error (NFS, quota) is reported.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }

  private:
    int fd_;
};

// errno of the failure, 0 on success.
inline int WriteAll(int fd, const char* p, size_t left) {
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

inline std::string ReadRange(int fd, off_t from, off_t to) {
    std::string bytes(static_cast<size_t>(to - from), '\0');
    if (!bytes.empty() &&
        ::pread(fd, bytes.data(), bytes.size(), from) != static_cast<ssize_t>(bytes.size()))
        throw FromErrno(errno);
    return bytes;
}

inline off_t SizeOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw FromErrno(errno);
    return st.st_size;
}

} // namespace quorrel::fileio
