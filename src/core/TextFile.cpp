#include "core/TextFile.h"

#include "core/Paths.h"
#include "core/RuntimeError.h"

#include <cerrno>
#include <filesystem>
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

// A missing file in an existing folder is "File not found"; a missing folder "Path not found".
[[noreturn]] void ThrowFileError(int err, const std::string& path) {
    if (err == ENOENT) throw FromErrno(err, !IsFolder(ParentOf(path)));
    throw FromErrno(err);
}

// Trailing separators would make the folder calls follow a symbolic link named by the path.
std::string WithoutTrailingSep(std::string path) {
    while (path.size() > 1 && path.back() == Sep)
        path.pop_back();
    return path;
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
int WriteAll(int fd, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
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
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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

void AppendLine(const std::string& path, const std::string& text) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kFileMode));
    if (fd.get() < 0) ThrowFileError(errno, path);
    if (const int err = WriteAll(fd.get(), text + "\r\n")) throw FromErrno(err);
    if (fd.Close() != 0) throw FromErrno(errno);
}

void WriteFileAtomic(const std::string& path, const std::string& bytes) {
    const std::string folder = ParentOf(path);
    std::string temp = folder + Sep + "." + NameOf(path) + ".tmp-XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) ThrowFileError(errno, path);

    int err = WriteAll(fd.get(), bytes);
    if (err == 0) {
        // Keep the permissions of the file being replaced; mkstemp made it 0600.
        struct stat old {};
        if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) &&
            ::fchmod(fd.get(), old.st_mode & 07777) != 0)
            err = errno;
    }
    if (err == 0 && ::fsync(fd.get()) != 0) err = errno;
    if (fd.Close() != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        ThrowFileError(err, path);
    }

    // Make the rename itself durable; the data is already safe either way.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
}

void EnsureFile(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, kFileMode));
    if (fd.get() < 0) ThrowFileError(errno, path);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    return IsFolder(path);
}

void CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), kFolderMode) != 0) throw FromErrno(errno);
}

void DeleteFolder(const std::string& path) {
    const fs::path folder(WithoutTrailingSep(path));
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(folder, ec);
    if (ec || !(fs::is_directory(st) || fs::is_symlink(st))) throw RuntimeError(ErrPathNotFound);
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
        // Real folders only: a link to a folder elsewhere is no collector.
        std::error_code sec;
        if (it->is_directory(sec) && !it->is_symlink(sec))
            names.push_back(it->path().filename().string());
    }
    if (ec) throw FromErrorCode(ec);
    return names;
}

} // namespace quorrel
