#include "core/TextFile.h"

#include "core/FileIo.h"

#include "core/Paths.h"
#include "core/RuntimeError.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorrel {

using namespace fileio;

namespace {

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

} // namespace quorrel
