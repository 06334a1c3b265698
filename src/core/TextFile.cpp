#include "core/TextFile.h"

#include "core/FileAttr.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quorrel {

namespace {

// New files and folders are for the owner only: clips often hold passwords.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

std::string ParentOf(const std::string& path) {
    const auto cut = path.find_last_of(Sep);
    if (cut == std::string::npos) return ".";
    if (cut == 0) return std::string(1, Sep);
    return path.substr(0, cut);
}

std::string NameOf(const std::string& path) {
    const auto cut = path.find_last_of(Sep);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A missing file in an existing folder is "File not found"; a missing folder "Path not found";
// a link where the file belongs is named in the message.
[[noreturn]] void ThrowFileError(int err, const std::string& path) {
    if (err == ENOENT) throw FromErrno(err, !IsFolder(ParentOf(path)));
    if (err == ELOOP)
        throw RuntimeError(ErrPathFileAccess, DescriptionOf(ErrPathFileAccess) + ": '" +
                                                  NameOf(path) + "' is a symbolic link");
    throw FromErrno(err);
}

// Trailing separators would make the folder calls follow a symbolic link named by the path.
std::string WithoutTrailingSep(std::string path) {
    while (path.size() > 1 && path.back() == Sep)
        path.pop_back();
    return path;
}

// Twelve random hex digits: temporary names never meet, not even those of two programs.
std::string RandomName() {
    static std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (unsigned long long v = rng(), i = 0; i < 12; ++i, v >>= 4)
        s += digits[v & 15];
    return s;
}

std::string TempHomeOf(const std::string& folder) {
    return WithoutTrailingSep(folder) + Sep + kTempFolder;
}

// The temporary folder of `folder`, made when missing; 0 or the errno of the failure.
int MakeTempHome(const std::string& home) {
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
int WriteAll(int fd, const char* p, size_t left) {
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

} // namespace

std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    const size_t size = bytes.size();
    while (start < size) {
        const size_t cr = bytes.find('\r', start);
        if (cr == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, cr - start));
        start = cr + 1;
        if (start < size && bytes[start] == '\n') ++start;
    }
    return lines;
}

std::string ReadAll(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) ThrowFileError(errno, path);
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FromErrno(errno);
        }
        if (n == 0) break;
        bytes.append(buf, static_cast<size_t>(n));
    }
    return bytes;
}

std::vector<std::string> ReadLines(const std::string& path) {
    return SplitLines(ReadAll(path));
}

std::string ReadFirstLine(const std::string& path) {
    const std::string bytes = ReadAll(path);
    return bytes.substr(0, bytes.find('\r'));
}

std::uint64_t AppendLine(const std::string& path, const std::string& text) {
    bool created = false;
    int raw = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (raw < 0 && errno == ENOENT) {
        raw = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     kFileMode);
        created = raw >= 0;
    }
    Fd fd(raw);
    if (fd.get() < 0) ThrowFileError(errno, path);
    const off_t old = ::lseek(fd.get(), 0, SEEK_END);
    if (old < 0) throw FromErrno(errno);

    // A last line without its line end (a hand edit) is ended first, not glued to the new one.
    bool ended = true;
    if (old > 0) {
        char tail[2];
        const off_t n = std::min<off_t>(old, 2);
        if (::pread(fd.get(), tail, static_cast<size_t>(n), old - n) == n)
            ended = n == 2 && tail[0] == '\r' && tail[1] == '\n';
    }
    const std::string line = (ended ? "" : "\r\n") + text + "\r\n";
    int err = WriteAll(fd.get(), line.data(), line.size());
    // No part of the line may stay: the next append would be glued onto it.
    // (The write's own error is the one reported, whether or not the cut works.)
    if (err != 0 && ::ftruncate(fd.get(), old) != 0) {
    }
    if (fd.Close() != 0 && err == 0) {
        err = errno;
        if (::truncate(path.c_str(), old) != 0) {
        }
    }
    if (err != 0) {
        if (created) ::unlink(path.c_str());
        throw FromErrno(err);
    }
    return static_cast<std::uint64_t>(old);
}

void TruncateFile(const std::string& path, std::uint64_t length) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) ThrowFileError(errno, path);
    if (::ftruncate(fd.get(), static_cast<off_t>(length)) != 0) throw FromErrno(errno);
}

void WriteFileAtomic(const std::string& path, const std::string& bytes) {
    RefuseLink(path);
    const std::string folder = ParentOf(path);
    const std::string home = TempHomeOf(folder);
    std::string temp;
    int raw = -1;
    // Another program may remove an empty temporary folder between the two calls: try again.
    for (int tries = 0; raw < 0 && tries < 3; ++tries) {
        if (const int err = MakeTempHome(home)) ThrowFileError(err, err == ELOOP ? home : path);
        temp = home + Sep + RandomName();
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
        if (raw < 0 && errno != ENOENT && errno != EEXIST) break;
    }
    Fd fd(raw);
    if (fd.get() < 0) {
        const int err = errno;
        ::rmdir(home.c_str());
        ThrowFileError(err, path);
    }

    int err = WriteAll(fd.get(), bytes.data(), bytes.size());
    if (err == 0) {
        // Keep the permissions of the file being replaced; the temporary file is owner-only.
        struct stat old {};
        if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
            ::fchmod(fd.get(), old.st_mode & 07777) != 0)
            err = errno;
    }
    if (err == 0 && ::fsync(fd.get()) != 0) err = errno;
    if (fd.Close() != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) ::unlink(temp.c_str());
    ::rmdir(home.c_str()); // stays while another write uses it
    if (err != 0) ThrowFileError(err, path);

    // Make the rename itself durable; the data is already safe either way.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

void EnsureFile(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kFileMode));
    if (fd.get() < 0) ThrowFileError(errno, path);
}

namespace {

// Position of the last CR before `end`, reading backwards in blocks; -1 when there is none.
off_t LastCrBefore(int fd, off_t end) {
    char buf[4096];
    while (end > 0) {
        const off_t from = end > static_cast<off_t>(sizeof buf) ? end - sizeof buf : 0;
        const size_t len = static_cast<size_t>(end - from);
        if (::pread(fd, buf, len, from) != static_cast<ssize_t>(len)) throw FromErrno(errno);
        for (size_t i = len; i-- > 0;)
            if (buf[i] == '\r') return from + static_cast<off_t>(i);
        end = from;
    }
    return -1;
}

std::string ReadRange(int fd, off_t from, off_t to) {
    std::string bytes(static_cast<size_t>(to - from), '\0');
    if (!bytes.empty() &&
        ::pread(fd, bytes.data(), bytes.size(), from) != static_cast<ssize_t>(bytes.size()))
        throw FromErrno(errno);
    return bytes;
}

off_t SizeOf(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw FromErrno(errno);
    return st.st_size;
}

} // namespace

std::optional<std::string> LastLine(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        ThrowFileError(errno, path);
    }
    off_t end = SizeOf(fd.get());
    if (end == 0) return std::nullopt;
    // Leave out the line end of the last line.
    const std::string tail = ReadRange(fd.get(), end >= 2 ? end - 2 : 0, end);
    if (tail.size() == 2 && tail == "\r\n")
        end -= 2;
    else if (tail.back() == '\r')
        end -= 1;
    const off_t cr = LastCrBefore(fd.get(), end);
    off_t start = cr + 1;
    if (cr >= 0 && start < end && ReadRange(fd.get(), start, start + 1) == "\n") ++start;
    return ReadRange(fd.get(), start, end);
}

bool RepairLastLine(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return false;
        ThrowFileError(errno, path);
    }
    const off_t size = SizeOf(fd.get());
    if (size == 0) return false;
    const std::string tail = ReadRange(fd.get(), size >= 2 ? size - 2 : 0, size);
    if (tail == "\r\n") return false;
    off_t cut = size;
    if (tail.back() != '\r') {
        // Keep everything up to the last line end; a LF right after that CR belongs to it.
        const off_t cr = LastCrBefore(fd.get(), size);
        cut = cr + 1;
        if (cr >= 0 && cut < size && ReadRange(fd.get(), cut, cut + 1) == "\n") ++cut;
        if (::ftruncate(fd.get(), cut) != 0) throw FromErrno(errno);
    }
    // A line ended by CR alone gets its LF, so the next line is not glued onto it.
    if (cut > 0 && ReadRange(fd.get(), cut - 1, cut) == "\r" &&
        ::pwrite(fd.get(), "\n", 1, cut) != 1)
        throw FromErrno(errno);
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    return IsFolder(path);
}

bool EntryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(WithoutTrailingSep(path).c_str(), &st) == 0;
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return ::lstat(WithoutTrailingSep(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void RefuseLink(const std::string& path) {
    if (IsLink(path)) ThrowFileError(ELOOP, WithoutTrailingSep(path));
}

void CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kFolderMode) != 0) throw FromErrno(errno);
}

std::string MakeTempFolder(const std::string& parent) {
    const std::string home = TempHomeOf(parent);
    for (int tries = 0; tries < 8; ++tries) {
        if (const int err = MakeTempHome(home)) ThrowFileError(err, home);
        const std::string temp = home + Sep + RandomName();
        if (::mkdir(temp.c_str(), kFolderMode) == 0) return temp;
        if (errno != EEXIST && errno != ENOENT) {
            const int err = errno;
            ::rmdir(home.c_str());
            throw FromErrno(err);
        }
    }
    throw RuntimeError(ErrPathFileAccess);
}

void MoveIntoPlace(const std::string& temp, const std::string& target) {
    const std::string to = WithoutTrailingSep(target);
    // Never over something that took the name meanwhile (rename would replace an empty folder).
    int rc = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0) {
            errno = EEXIST;
        } else {
            rc = ::rename(temp.c_str(), to.c_str());
        }
    }
    if (rc != 0) throw FromErrno(errno);
    ::rmdir(ParentOf(temp).c_str());
}

void DropTemp(const std::string& temp) noexcept {
    std::error_code ec;
    fs::remove_all(temp, ec); // links inside are removed as links
    ::rmdir(ParentOf(temp).c_str());
}

bool RemoveLeftovers(const std::string& folder) {
    const std::string home = TempHomeOf(folder);
    struct stat st {};
    if (::lstat(home.c_str(), &st) != 0) return false;
    std::error_code ec;
    fs::remove_all(home, ec);
    if (ec) throw FromErrorCode(ec);
    return true;
}

void CopyFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (in.get() < 0) ThrowFileError(errno, from);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) throw FromErrno(errno);
    Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  st.st_mode & 0777));
    if (out.get() < 0) ThrowFileError(errno, to);
    char buf[1 << 16];
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(in.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (n == 0) break;
        if ((err = WriteAll(out.get(), buf, static_cast<size_t>(n))) != 0) break;
    }
    if (err == 0) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(out.get(), times) != 0) err = errno;
    }
    if (out.Close() != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(to.c_str());
        ThrowFileError(err, to);
    }
}

std::string FirstReadOnly(const std::string& folder) {
    const fs::path top(WithoutTrailingSep(folder));
    auto readOnly = [](const fs::path& p) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
        return (st.st_mode & S_IWUSR) == 0 || IsReadOnly(p.string());
    };
    if (readOnly(top)) return ".";
    std::error_code ec;
    fs::recursive_directory_iterator it(top, ec);
    if (ec) throw FromErrorCode(ec);
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (readOnly(it->path())) return it->path().lexically_relative(top).string();
    }
    if (ec) throw FromErrorCode(ec);
    return {};
}

void DeleteFolder(const std::string& path) {
    const fs::path folder(WithoutTrailingSep(path));
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(folder, ec);
    if (ec || !(fs::is_directory(st) || fs::is_symlink(st))) throw RuntimeError(ErrPathNotFound);
    // Read-only files are not forced: checked first, so that nothing is removed at all.
    if (fs::is_directory(st)) {
        if (const std::string file = FirstReadOnly(folder.string()); !file.empty())
            throw RuntimeError(ErrPermissionDenied, DescriptionOf(ErrPermissionDenied) + ": '" +
                                                        file + "' is read-only");
    }
    // remove_all removes links as links, so nothing outside the folder is touched.
    fs::remove_all(folder, ec);
    if (ec) throw FromErrorCode(ec);
}

std::vector<std::string> SubFolders(const std::string& path) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    if (ec) throw FromErrorCode(ec);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        // Real folders only: a link to a folder elsewhere is no collector, nor is unfinished work.
        std::error_code sec;
        std::string name = it->path().filename().string();
        if (it->is_directory(sec) && !it->is_symlink(sec) && name != kTempFolder)
            names.push_back(std::move(name));
    }
    if (ec) throw FromErrorCode(ec);
    return names;
}

} // namespace quorrel
