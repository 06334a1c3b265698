// Times another program's copy until a clipboard program has taken it in. Usage:
//   clip_latency (--text TEXT | --file PATH) [--trace FILE] [--copyq] [--limit SECONDS]
// Starts `xclip -quiet -selection clipboard -i` fed TEXT (letters, digits and spaces) or the
// ASCII file PATH and times, from just before xclip starts, until
//   --trace FILE  Quorrel logs a notice of that text in FILE (its QUORREL_TRACE, written once
//                 Text1 shows the copy), polled every millisecond;
//   --copyq       CopyQ's first item is TEXT, or for a file a new item has been added, seen by a
//                 `copyq eval` watcher that is started, and reports itself armed, before the
//                 copy; it looks every 2 ms (every 10 ms for a file).
// With --wayland the copy comes from `wl-copy --foreground`, a native Wayland program, instead.
// Prints "t0 MS" (the start, wall clock), "xclip PID" (left running: it owns the clipboard until
// the next copy), then "quorrel MS" and/or "copyq MS", or "none" for a program that did not take
// the copy within the limit (10 s unless told); "quorrel lost" when Quorrel noticed the file's
// copy with some other text (an empty one when its read of the owner failed).
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double RealMs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Starts ARGV with its standard input and/or output on pipes (-1 where not wanted).
pid_t Spawn(const char* const argv[], int* toStdin, int* fromStdout) {
    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (toStdin && pipe(in) != 0) return -1;
    if (fromStdout && pipe(out) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        if (toStdin) dup2(in[0], 0);
        if (fromStdout) {
            dup2(out[1], 1);
        } else if (const int null = open("/dev/null", O_WRONLY); null >= 0) {
            dup2(null, 1); // xclip -quiet reports each request
            dup2(null, 2);
            close(null);
        }
        for (int fd : {in[0], in[1], out[0], out[1]})
            if (fd >= 0) close(fd);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    if (toStdin) {
        close(in[0]);
        *toStdin = in[1];
    }
    if (fromStdout) {
        close(out[1]);
        *fromStdout = out[0];
    }
    return pid;
}

// Reads one line from FD, waiting at most MS milliseconds; false on timeout or end.
bool ReadLine(int fd, std::string& buf, std::string& line, int ms) {
    const double end = RealMs() + ms;
    for (;;) {
        const auto nl = buf.find('\n');
        if (nl != std::string::npos) {
            line = buf.substr(0, nl);
            buf.erase(0, nl + 1);
            return true;
        }
        const int left = static_cast<int>(end - RealMs());
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) return false;
        char chunk[256];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) return false;
        buf.append(chunk, static_cast<size_t>(n));
    }
}

std::string Tail(const std::string& path, std::streamoff from) {
    std::ifstream f(path, std::ios::binary);
    f.seekg(from);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::streamoff Size(const std::string& path) {
    std::ifstream f(path, std::ios::binary | std::ios::ate);
    return f ? static_cast<std::streamoff>(f.tellg()) : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::string text, file, trace;
    bool copyq = false, wayland = false;
    int limit = 10;
    for (int i = 1; i < argc; ++i) {
        const bool more = i + 1 < argc;
        if (std::strcmp(argv[i], "--text") == 0 && more)
            text = argv[++i];
        else if (std::strcmp(argv[i], "--file") == 0 && more)
            file = argv[++i];
        else if (std::strcmp(argv[i], "--trace") == 0 && more)
            trace = argv[++i];
        else if (std::strcmp(argv[i], "--limit") == 0 && more)
            limit = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--copyq") == 0)
            copyq = true;
        else if (std::strcmp(argv[i], "--wayland") == 0)
            wayland = true;
        else
            return 2;
    }
    if (text.empty() == file.empty() || limit <= 0) return 2;
    for (char ch : text)
        if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != ' ') return 2;
    const std::string limitMs = std::to_string(limit * 1000);
    signal(SIGPIPE, SIG_IGN);

    int watchOut = -1;
    pid_t watcher = -1;
    std::string watchBuf, line;
    if (copyq) {
        // A file's copy is told by the count alone: reading it back would weigh on CopyQ.
        const std::string script =
            file.empty() ? "var nl = String.fromCharCode(10); var t = '" + text +
                               "'; print('armed' + nl); var end = Date.now() + " + limitMs +
                               "; while (str(read(0)) != t && Date.now() < end) sleep(2);"
                               " print((str(read(0)) == t ? Date.now() : 'none') + nl);"
                         : "var nl = String.fromCharCode(10); var n = count(); print('armed' + nl);"
                           " var end = Date.now() + " +
                               limitMs +
                               ";"
                               " while (count() == n && Date.now() < end) sleep(10);"
                               " print((count() != n ? Date.now() : 'none') + nl);";
        const char* args[] = {"copyq", "eval", script.c_str(), nullptr};
        watcher = Spawn(args, nullptr, &watchOut);
        if (watcher < 0 || !ReadLine(watchOut, watchBuf, line, 10000) || line != "armed") {
            std::fprintf(stderr, "clip_latency: the copyq watcher did not start\n");
            return 1;
        }
    }
    const std::streamoff traceFrom = trace.empty() ? 0 : Size(trace);

    const double t0 = RealMs();
    int xin = -1;
    const char* xargs[] = {"xclip", "-quiet", "-selection", "clipboard", "-i", nullptr};
    const char* fargs[] = {"xclip", "-quiet",     "-selection", "clipboard",
                           "-i",    file.c_str(), nullptr};
    const char* wargs[] = {"wl-copy", "--foreground", nullptr};
    const pid_t xclip = wayland        ? Spawn(wargs, &xin, nullptr)
                        : file.empty() ? Spawn(xargs, &xin, nullptr)
                                       : Spawn(fargs, nullptr, nullptr);
    if (xclip < 0) return 1;
    if (xin >= 0) {
        std::string bytes = text;
        if (!file.empty()) {
            std::ifstream in(file, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        for (std::size_t off = 0; off < bytes.size();) {
            const ssize_t n = write(xin, bytes.data() + off, bytes.size() - off);
            if (n <= 0) return 1;
            off += std::size_t(n);
        }
        close(xin);
    }
    std::printf("t0 %.0f\n%s %d\n", t0, wayland ? "wl-copy" : "xclip", xclip);
    std::fflush(stdout);

    double quorrelMs = -1, copyqMs = -1;
    bool quorrelLost = false;
    bool quorrelDone = trace.empty(), copyqDone = !copyq;
    const std::string wanted =
        file.empty() ? "head=" + text + "\n" : "notice text=" + std::to_string(Size(file)) + " ";
    while (!quorrelDone || !copyqDone) {
        const double now = RealMs();
        if (now - t0 > limit * 1000 + 1000) break;
        if (!quorrelDone) {
            const std::string fresh = Tail(trace, traceFrom);
            if (fresh.find(wanted) != std::string::npos) {
                quorrelMs = now - t0;
                quorrelDone = true;
            } else if (!file.empty() && fresh.find('\n') != std::string::npos) {
                quorrelLost = true; // a notice of something else: the file's text did not arrive
                quorrelDone = true;
            }
        }
        if (!copyqDone && ReadLine(watchOut, watchBuf, line, 1)) {
            if (line != "none") copyqMs = std::strtod(line.c_str(), nullptr) - t0;
            copyqDone = true;
        } else if (copyqDone || !copyq) {
            usleep(1000);
        }
    }
    if (!trace.empty())
        quorrelMs >= 0 ? std::printf("quorrel %.1f\n", quorrelMs)
                       : std::printf("quorrel %s\n", quorrelLost ? "lost" : "none");
    if (copyq) {
        copyqMs >= 0 ? std::printf("copyq %.1f\n", copyqMs) : std::printf("copyq none\n");
        kill(watcher, SIGTERM);
        waitpid(watcher, nullptr, 0);
    }
    return 0;
}
