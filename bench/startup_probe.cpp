// Starts a program and reports, in milliseconds, how long it took until a window whose name
// ends with the given text was mapped, then the program's resident memory and the processor
// time it used. Usage:
//   startup_probe "Text Mode" /path/to/Quorrel
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

static std::string Name(Display* d, Window w) {
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False), net = XInternAtom(d, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* p = nullptr;
    std::string s;
    if (XGetWindowProperty(d, w, net, 0, 1024, False, utf8, &type, &format, &n, &after, &p) ==
            Success &&
        p) {
        s.assign(reinterpret_cast<char*>(p), n);
        XFree(p);
    }
    if (s.empty()) {
        char* c = nullptr;
        if (XFetchName(d, w, &c) && c) {
            s = c;
            XFree(c);
        }
    }
    return s;
}

static bool Matches(Display* d, Window w, const std::string& suffix, int depth = 0) {
    const std::string n = Name(d, w);
    if (n.size() >= suffix.size() &&
        n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
        return true;
    if (depth > 1) return false;
    Window root, parent, *kids = nullptr;
    unsigned int k = 0;
    bool found = false;
    if (XQueryTree(d, w, &root, &parent, &kids, &k)) {
        for (unsigned i = 0; i < k && !found; ++i)
            found = Matches(d, kids[i], suffix, depth + 1);
        if (kids) XFree(kids);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string suffix = argv[1];
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 3;
    XSelectInput(d, DefaultRootWindow(d), SubstructureNotifyMask);
    XSync(d, False);
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == MapNotify && Matches(d, e.xmap.window, suffix)) break;
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    usleep(300 * 1000); // let it settle before reading its memory
    long rss = 0;
    std::ifstream st("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(st, line);)
        if (line.rfind("VmRSS:", 0) == 0) rss = std::stol(line.substr(6));
    kill(pid, SIGTERM);
    // The processor time it used, all its threads, up to its end: the start, the first paint
    // and the quit. A load beside it moves this far less than the time to the window.
    struct rusage use {};
    wait4(pid, nullptr, 0, &use);
    const double cpu = (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 +
                       (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
    std::printf("shown_ms %.1f rss_kb %ld cpu_ms %.1f\n", ms, rss, cpu);
    return 0;
}
