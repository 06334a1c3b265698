// Files and folders of the store: what exists, making, moving, copying and removing folders,
// and the messages of failed file calls.
#include "core/TextFile.h"

#include "core/FileIo.h"

#include "core/FileAttr.h"
#include "core/Paths.h"
#include "core/RuntimeError.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quorrel {

using namespace fileio;

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
