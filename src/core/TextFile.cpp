#include "core/TextFile.h"

#include "core/FileAttr.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <system_error>

#include <dirent.h>
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

[[noreturn]] void ThrowFileError(int err, const std::string& path, Access how = Access::Write) {
    throw FileError(err, path, how);
}

constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

bool HasUtf8Mark(const std::string& bytes) {
    return bytes.size() >= 3 &&
           std::equal(kUtf8Mark, kUtf8Mark + 3, bytes.begin(),
                      [](unsigned char m, char b) { return m == static_cast<unsigned char>(b); });
}

// 0 for no UTF-16 mark, 1 for little-endian, 2 for big-endian.
int Utf16Mark(const std::string& bytes) {
    if (bytes.size() < 2) return 0;
    const auto a = static_cast<unsigned char>(bytes[0]), b = static_cast<unsigned char>(bytes[1]);
    return a == 0xFF && b == 0xFE ? 1 : a == 0xFE && b == 0xFF ? 2 : 0;
}

void AppendUtf8(std::string& out, unsigned u) {
    if (u < 0x80) {
        out += static_cast<char>(u);
    } else if (u < 0x800) {
        out += static_cast<char>(0xC0 | (u >> 6));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        out += static_cast<char>(0xE0 | (u >> 12));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (u >> 18));
        out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (u & 0x3F));
    }
}

// Store text (UTF-8; a byte that is not part of UTF-8 counts as Latin-1) as UTF-16 units.
std::string EncodeUtf16(const std::string& text, bool littleEndian) {
    std::string out;
    auto unit = [&](unsigned u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += littleEndian ? lo : hi;
        out += littleEndian ? hi : lo;
    };
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
        unsigned u = c;
        bool ok = len > 1 && i + len <= text.size();
        if (ok) {
            u = c & (0x7F >> len);
            for (int k = 1; k < len && ok; ++k) {
                const auto n = static_cast<unsigned char>(text[i + k]);
                ok = (n & 0xC0) == 0x80;
                u = (u << 6) | (n & 0x3F);
            }
        }
        if (!ok || c < 0x80) {
            u = c;
            i += 1;
        } else {
            i += len;
        }
        if (u >= 0x10000) {
            unit(0xD800 + ((u - 0x10000) >> 10));
            unit(0xDC00 + ((u - 0x10000) & 0x3FF));
        } else {
            unit(u);
        }
    }
    return out;
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
    if (fd.get() < 0) ThrowFileError(errno, path, Access::Read);
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

std::string DecodeText(std::string bytes) {
    if (HasUtf8Mark(bytes)) return bytes.erase(0, 3);
    const int mark = Utf16Mark(bytes);
    if (mark == 0) return bytes;
    const bool le = mark == 1;
    auto unitAt = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return le ? a | (b << 8) : (a << 8) | b;
    };
    std::string out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned u = static_cast<unsigned>(unitAt(i));
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            const auto low = static_cast<unsigned>(unitAt(i + 2));
            if (low >= 0xDC00 && low < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(out, u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

std::string ReadText(const std::string& path) {
    return DecodeText(ReadAll(path));
}

std::string ReadHead(const std::string& path, std::size_t maxBytes) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) ThrowFileError(errno, path, Access::Read);
    std::string bytes(maxBytes, '\0');
    std::size_t got = 0;
    while (got < maxBytes) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FromErrno(errno);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    std::string text = DecodeText(std::move(bytes));
    if (got < maxBytes) return text;
    // A UTF-8 sequence cut short would make the whole text read as Windows-1252.
    std::size_t end = text.size(), back = 0;
    while (end > 0 && back < 3 && (static_cast<unsigned char>(text[end - 1]) & 0xC0) == 0x80)
        --end, ++back;
    if (end > 0 && static_cast<unsigned char>(text[end - 1]) >= 0xC0) {
        const auto lead = static_cast<unsigned char>(text[end - 1]);
        const std::size_t len = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (back + 1 < len) text.resize(end - 1);
    }
    return text;
}

std::vector<std::string> ReadLines(const std::string& path) {
    return SplitLines(ReadText(path));
}

std::string ReadFirstLine(const std::string& path) {
    const std::string bytes = ReadText(path);
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

    // A file a Windows editor saved as UTF-16 gets its lines in UTF-16 too.
    int utf16 = 0;
    if (old >= 2) {
        std::string mark(2, '\0');
        if (::pread(fd.get(), mark.data(), 2, 0) == 2) utf16 = Utf16Mark(mark);
    }
    const std::string crlf = utf16 ? EncodeUtf16("\r\n", utf16 == 1) : "\r\n";
    // A last line without its line end (a hand edit) is ended first, not glued to the new one.
    bool ended = true;
    if (old > 0) {
        std::string tail(crlf.size(), '\0');
        const off_t n = std::min<off_t>(old, static_cast<off_t>(crlf.size()));
        if (::pread(fd.get(), tail.data(), static_cast<size_t>(n), old - n) == n)
            ended = tail == crlf && (!utf16 || old > 2);
    }
    // A UTF-16 file cut after half a unit (a hand edit) gets that unit completed first, so
    // the new line is read as its own line and not shifted by one byte.
    const bool halfUnit = utf16 && old % 2 == 1;
    std::string line = (ended && !halfUnit ? "" : "\r\n") + text + "\r\n";
    if (utf16) line = (halfUnit ? std::string(1, '\0') : "") + EncodeUtf16(line, utf16 == 1);
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

void WriteFileAtomic(const std::string& path, const std::string& bytes, bool replace) {
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
    if (err == 0 && replace && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err == 0 && !replace &&
        ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
        err = errno;
        // A file system without the flag: look first (nothing else writes this store).
        if ((err == EINVAL || err == ENOSYS) && !EntryExists(path))
            err = ::rename(temp.c_str(), path.c_str()) == 0 ? 0 : errno;
        else if (err == EINVAL || err == ENOSYS)
            err = EEXIST;
    }
    if (err != 0) ::unlink(temp.c_str());
    ::rmdir(home.c_str()); // stays while another write uses it
    if (err != 0) ThrowFileError(err, path);

    // Make the rename itself durable; the data is already safe either way.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
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

namespace {

// Where the last line of an open file starts and ends (its line end left out), past a UTF-8
// mark at the start of the file.
struct LastLineRange {
    off_t start = 0, end = 0;
};

LastLineRange FindLastLine(int fd, off_t size) {
    off_t end = size;
    const std::string tail = ReadRange(fd, end >= 2 ? end - 2 : 0, end);
    if (tail.size() == 2 && tail == "\r\n")
        end -= 2;
    else if (!tail.empty() && tail.back() == '\r')
        end -= 1;
    const off_t cr = LastCrBefore(fd, end);
    off_t start = cr + 1;
    if (cr >= 0 && start < end && ReadRange(fd, start, start + 1) == "\n") ++start;
    if (cr < 0 && end >= 3 && HasUtf8Mark(ReadRange(fd, 0, 3))) start = 3;
    return {start, end};
}

int Utf16MarkOf(int fd, off_t size) {
    return size >= 2 ? Utf16Mark(ReadRange(fd, 0, 2)) : 0;
}

} // namespace

std::optional<std::string> LastLine(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::nullopt;
        ThrowFileError(errno, path, Access::Read);
    }
    const off_t size = SizeOf(fd.get());
    if (size == 0) return std::nullopt;
    if (Utf16MarkOf(fd.get(), size)) {
        // Rare (a hand edit in a Windows editor): read whole.
        const std::vector<std::string> lines = SplitLines(DecodeText(ReadRange(fd.get(), 0, size)));
        if (lines.empty()) return std::nullopt;
        return lines.back();
    }
    const LastLineRange r = FindLastLine(fd.get(), size);
    return ReadRange(fd.get(), r.start, r.end);
}

bool RepairLastLine(const std::string& path, const std::string& expected) {
    // Read first, and open for writing only when there is something to repair: a read-only
    // file that needs nothing is never written.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) return false;
        ThrowFileError(errno, path, Access::Read);
    }
    const off_t size = SizeOf(fd.get());
    if (size == 0 || Utf16MarkOf(fd.get(), size)) return false;
    const std::string tail = ReadRange(fd.get(), size >= 2 ? size - 2 : 0, size);
    if (tail == "\r\n") return false;
    std::optional<off_t> cut;
    std::string add;
    if (tail.back() == '\r') {
        add = "\n"; // a line ended by CR alone gets its LF
    } else {
        const LastLineRange r = FindLastLine(fd.get(), size);
        const std::string part = ReadRange(fd.get(), r.start, r.end);
        if (part.empty() || expected.empty() || expected.compare(0, part.size(), part) != 0)
            return false; // not what this program was writing: kept as it is
        if (part.size() < expected.size())
            cut = r.start; // the beginning of the line it was appending
        else
            add = "\r\n"; // the whole line, only its line end missing
    }
    Fd out(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    if (out.get() < 0) ThrowFileError(errno, path);
    off_t end = size;
    if (cut) {
        if (::ftruncate(out.get(), *cut) != 0) ThrowFileError(errno, path);
        end = *cut;
        // The line before, ended by CR alone, gets its LF as well.
        if (end > 0 && ReadRange(fd.get(), end - 1, end) == "\r") add = "\n";
    }
    if (!add.empty() &&
        ::pwrite(out.get(), add.data(), add.size(), end) != static_cast<ssize_t>(add.size()))
        ThrowFileError(errno, path);
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
    if (::mkdir(path.c_str(), kFolderMode) != 0) ThrowFileError(errno, path, Access::Make);
}

std::string MakeTempFolder(const std::string& parent) {
    const std::string home = TempHomeOf(parent);
    for (int tries = 0; tries < 8; ++tries) {
        if (const int err = MakeTempHome(home))
            ThrowFileError(err, err == EACCES || err == EPERM || err == EROFS
                                    ? WithoutTrailingSep(parent)
                                    : home);
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

namespace {

// Removes a folder tree; links inside are removed as links. A copy of a read-only folder is
// read-only too, so the folders this user owns are made writable when the first try fails.
std::error_code RemoveTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    if (!ec) return ec;
    std::error_code walk;
    auto own = [](const fs::path& p) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
            ::chmod(p.c_str(), (st.st_mode & 07777) | S_IRWXU);
    };
    own(path);
    for (fs::recursive_directory_iterator it(path, walk), end; !walk && it != end;
         it.increment(walk))
        own(it->path());
    ec.clear();
    fs::remove_all(path, ec);
    return ec;
}

} // namespace

bool DropTemp(const std::string& temp) noexcept {
    const bool removed = !RemoveTree(temp);
    ::rmdir(ParentOf(temp).c_str());
    return removed;
}

bool RemoveLeftovers(const std::string& folder) {
    const std::string home = TempHomeOf(folder);
    struct stat st {};
    if (::lstat(home.c_str(), &st) != 0) return false;
    if (const std::error_code ec = RemoveTree(home)) {
        RuntimeError e = FileError(ec.value(), home);
        if (e.number == ErrPermissionDenied)
            e = RuntimeError(ErrPermissionDenied,
                             DescriptionOf(ErrPermissionDenied) + ": '" + home +
                                 "' holds what an interrupted command left and cannot be "
                                 "removed by you (it belongs to another user, or its disk is "
                                 "read-only). Remove it as its owner.");
        throw e;
    }
    return true;
}

void CopyFile(const std::string& from, const std::string& to) {
    Fd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (in.get() < 0) ThrowFileError(errno, from, Access::Read);
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

std::string FirstReadOnly(const std::string& folder, std::string* why) {
    const fs::path top(WithoutTrailingSep(folder));
    auto blocked = [why](const fs::path& p) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) return false;
        if ((st.st_mode & S_IWUSR) == 0 || IsReadOnly(p.string())) {
            if (why) *why = "is read-only";
            return true;
        }
        // Emptying a folder needs the right to change it; another user's folder refuses that.
        if (S_ISDIR(st.st_mode) && ::faccessat(AT_FDCWD, p.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
            if (why) *why = errno == EROFS ? "is on a read-only disk" : "belongs to another user";
            return true;
        }
        return false;
    };
    if (blocked(top)) return ".";
    std::error_code ec;
    fs::recursive_directory_iterator it(top, ec);
    if (ec) throw FromErrorCode(ec);
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (blocked(it->path())) return it->path().lexically_relative(top).string();
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
        std::string why;
        if (const std::string file = FirstReadOnly(folder.string(), &why); !file.empty())
            throw RuntimeError(ErrPermissionDenied,
                               DescriptionOf(ErrPermissionDenied) + ": '" + file + "' " + why);
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

RuntimeError FileError(int err, const std::string& path, Access how) {
    if (err == ENOENT) return FromErrno(err, !IsFolder(ParentOf(path)));
    if (err == ELOOP)
        return RuntimeError(ErrPathFileAccess, DescriptionOf(ErrPathFileAccess) + ": '" +
                                                   NameOf(path) + "' is a symbolic link");
    if (err != EACCES && err != EPERM && err != EROFS) return FromErrno(err);
    std::string d = DescriptionOf(ErrPermissionDenied) + ": '" + path + "' ";
    if (how == Access::Read)
        d += "cannot be read: it belongs to another user or is not readable. Make it readable "
             "for you and try again.";
    else if (how == Access::Make)
        d += err == EROFS ? "cannot be made: its folder lies on a read-only disk."
                          : "cannot be made: its folder is read-only or belongs to another "
                            "user. Make that folder writable for you, or choose another one.";
    else
        d += err == EROFS ? "cannot be written: it lies on a read-only disk."
                          : "cannot be written: it or its folder is read-only, or belongs to "
                            "another user. Make it writable for you and try again.";
    return RuntimeError(ErrPermissionDenied, d);
}

void CheckWritable(const std::string& path) {
    const std::string p = WithoutTrailingSep(path);
    if (::faccessat(AT_FDCWD, p.c_str(), W_OK, AT_EACCESS) == 0) return;
    if (errno != ENOENT) ThrowFileError(errno, p);
    const std::string folder = ParentOf(p);
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0 && errno != ENOENT)
        ThrowFileError(errno, folder);
}

namespace {

std::string LowerAscii(std::string s) {
    for (char& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}

// The names of a folder by their lower-case form, read again only when the folder changed.
// Clip files (numbers) are left out: a collector folder may hold thousands of them.
struct FolderNames {
    dev_t dev = 0;
    ino_t ino = 0;
    timespec mtime{};
    std::map<std::string, std::string> byLower;
};

std::mutex namesMutex;
std::map<std::string, FolderNames> namesCache;

bool Same(const FolderNames& n, const struct stat& st) {
    return n.dev == st.st_dev && n.ino == st.st_ino && n.mtime.tv_sec == st.st_mtim.tv_sec &&
           n.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

void ReadNames(const std::string& folder, const struct stat& st, FolderNames& names) {
    names = FolderNames{st.st_dev, st.st_ino, st.st_mtim, {}};
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const char* n = e->d_name;
        while (*n >= '0' && *n <= '9')
            ++n;
        if (*n == '\0') continue;
        names.byLower.emplace(LowerAscii(e->d_name), e->d_name); // the first spelling wins
    }
    ::closedir(dir);
}

} // namespace

std::string InFolder(const std::string& folder, const std::string& name) {
    const std::string exact = folder + Sep + name;
    struct stat st {};
    if (::lstat(exact.c_str(), &st) == 0 || errno != ENOENT) return exact;
    const std::string dir = folder.empty() ? std::string(1, Sep) : folder;
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return exact;
    const std::string key = WithoutTrailingSep(dir);
    const std::lock_guard<std::mutex> lock(namesMutex);
    FolderNames& names = namesCache[key];
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1 || !Same(names, st)) ReadNames(key, st, names);
        const auto it = names.byLower.find(LowerAscii(name));
        if (it == names.byLower.end()) return exact;
        const std::string found = folder + Sep + it->second;
        struct stat fst {};
        if (::lstat(found.c_str(), &fst) == 0) return found;
    }
    return exact;
}

} // namespace quorrel
