// The last line of an index file: read from its end, and repaired after an interrupted add.
#include "core/TextFile.h"

#include "core/FileIo.h"

#include "core/Paths.h"
#include "core/RuntimeError.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorrel {

using namespace fileio;

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

} // namespace quorrel
