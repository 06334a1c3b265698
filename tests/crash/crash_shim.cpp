// Preloaded into a program under test: once the program arms it, the k-th call that changes a
// file (CRASH_AT=k) kills the process with SIGKILL just before the call, or, with CRASH_HALF set
// and the call a write, after writing the first half of its bytes. Nothing is cleaned up, as
// after a real crash or power cut of the program.
#include <cstdarg>
#include <cstdlib>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

long g_count = 0;
long g_target = -1;
bool g_half = false;
bool g_armed = false;

template <class F> F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

void Die() {
    ::kill(::getpid(), SIGKILL);
}

// True when this call is the one to crash at.
bool Hit() {
    return g_armed && ++g_count == g_target;
}

void Point() {
    if (Hit()) Die();
}

ssize_t Write(int fd, const void* buf, size_t n, off_t* at) {
    using WriteFn = ssize_t (*)(int, const void*, size_t);
    using PwriteFn = ssize_t (*)(int, const void*, size_t, off_t);
    static auto realWrite = Next<WriteFn>("write");
    static auto realPwrite = Next<PwriteFn>("pwrite");
    if (Hit()) {
        if (g_half && n > 1) {
            const ssize_t part = at ? realPwrite(fd, buf, n / 2, *at) : realWrite(fd, buf, n / 2);
            if (part < 0) Die(); // killed either way; the part written is what counts
        }
        Die();
    }
    return at ? realPwrite(fd, buf, n, *at) : realWrite(fd, buf, n);
}

bool Changes(int flags) {
    return (flags & (O_CREAT | O_TRUNC | O_WRONLY | O_RDWR)) != 0;
}

} // namespace

extern "C" {

void quorrel_crash_arm() {
    const char* at = std::getenv("CRASH_AT");
    g_target = at ? std::atol(at) : -1;
    g_half = std::getenv("CRASH_HALF") != nullptr;
    g_count = 0;
    g_armed = true;
}

ssize_t write(int fd, const void* buf, size_t n) {
    return Write(fd, buf, n, nullptr);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
    return Write(fd, buf, n, &at);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off_t at) {
    return Write(fd, buf, n, &at);
}

int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (Changes(flags)) Point();
    static auto real = Next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (Changes(flags)) Point();
    static auto real = Next<int (*)(const char*, int, ...)>("open64");
    return real(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list ap;
        va_start(ap, flags);
        mode = va_arg(ap, mode_t);
        va_end(ap);
    }
    if (Changes(flags)) Point();
    static auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    return real(dir, path, flags, mode);
}

#define QUORREL_CRASH_POINT(ret, name, params, args)                                               \
    ret name params {                                                                              \
        Point();                                                                                   \
        static auto real = Next<ret(*) params>(#name);                                             \
        return real args;                                                                          \
    }

QUORREL_CRASH_POINT(int, rename, (const char* a, const char* b), (a, b))
QUORREL_CRASH_POINT(int, renameat, (int da, const char* a, int db, const char* b), (da, a, db, b))
QUORREL_CRASH_POINT(int, renameat2,
                    (int da, const char* a, int db, const char* b, unsigned int flags),
                    (da, a, db, b, flags))
QUORREL_CRASH_POINT(int, unlink, (const char* p), (p))
QUORREL_CRASH_POINT(int, unlinkat, (int d, const char* p, int flags), (d, p, flags))
QUORREL_CRASH_POINT(int, remove, (const char* p), (p))
QUORREL_CRASH_POINT(int, rmdir, (const char* p), (p))
QUORREL_CRASH_POINT(int, mkdir, (const char* p, mode_t m), (p, m))
QUORREL_CRASH_POINT(int, mkdirat, (int d, const char* p, mode_t m), (d, p, m))
QUORREL_CRASH_POINT(int, fsync, (int fd), (fd))
QUORREL_CRASH_POINT(int, fdatasync, (int fd), (fd))
QUORREL_CRASH_POINT(int, ftruncate, (int fd, off_t n), (fd, n))
QUORREL_CRASH_POINT(int, ftruncate64, (int fd, off_t n), (fd, n))
QUORREL_CRASH_POINT(int, truncate, (const char* p, off_t n), (p, n))
QUORREL_CRASH_POINT(int, fchmod, (int fd, mode_t m), (fd, m))
QUORREL_CRASH_POINT(int, chmod, (const char* p, mode_t m), (p, m))
QUORREL_CRASH_POINT(int, fchmodat, (int d, const char* p, mode_t m, int f), (d, p, m, f))
QUORREL_CRASH_POINT(int, utimensat, (int d, const char* p, const struct timespec t[2], int f),
                    (d, p, t, f))
QUORREL_CRASH_POINT(int, symlink, (const char* a, const char* b), (a, b))
QUORREL_CRASH_POINT(int, futimens, (int fd, const struct timespec t[2]), (fd, t))
QUORREL_CRASH_POINT(int, setxattr, (const char* p, const char* n, const void* v, size_t s, int f),
                    (p, n, v, s, f))
QUORREL_CRASH_POINT(int, lsetxattr, (const char* p, const char* n, const void* v, size_t s, int f),
                    (p, n, v, s, f))
QUORREL_CRASH_POINT(int, fsetxattr, (int fd, const char* n, const void* v, size_t s, int f),
                    (fd, n, v, s, f))

} // extern "C"
