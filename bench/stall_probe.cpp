// Measures from outside how long a Qt program's window thread leaves events unanswered. Loaded
// with LD_PRELOAD into Qt 5 or Qt 6 programs alike: both run their window thread on GLib's
// default main context, so a thread of this library's own adds a one-shot callback to that
// context every 5 ms (one at a time) and logs how long each waited before it ran. A long wait
// is a window that neither repaints nor takes input.
//
// STALL_PROBE_OUT=PREFIX writes PREFIX.<pid>, one line each:
//   start <exe>                       the library is loaded
//   ready <realtime ns>               the window thread ran the first callback (startup ends)
//   stall <realtime ns> <ms>          a callback posted then waited <ms> (logged from 10 ms on)
//   tick <realtime ns> <max ms> <pending ms>  each second: longest wait so far, and how long
//                                     the callback now outstanding has waited (a thread stuck
//                                     for good shows here, never as a stall line)
// GLib is looked up in the program itself, so the library needs nothing beyond libc and a
// program without GLib is left alone.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <pthread.h>
#include <string>
#include <unistd.h>

namespace {

using SourceFunc = int (*)(void*);
struct Glib {
    void* (*idleSourceNew)();
    void (*setPriority)(void*, int);
    void (*setCallback)(void*, SourceFunc, void*, void (*)(void*));
    unsigned (*attach)(void*, void*);
    void (*unref)(void*);
    void* (*defaultContext)();
};

template <typename F> bool Find(F& f, const char* name) {
    f = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
    return f != nullptr;
}

int64_t Now(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::atomic<int64_t> ranAt{0}; // monotonic time the outstanding callback ran; 0 while waiting

int Ran(void*) {
    ranAt.store(Now(CLOCK_MONOTONIC));
    return 0; // run once
}

void* Probe(void* arg) {
    FILE* out = static_cast<FILE*>(arg);
    Glib g{};
    // GLib may not be loaded yet while the program starts; look again until it is.
    for (int i = 0; i < 400; ++i) {
        if (Find(g.idleSourceNew, "g_idle_source_new") &&
            Find(g.setPriority, "g_source_set_priority") &&
            Find(g.setCallback, "g_source_set_callback") && Find(g.attach, "g_source_attach") &&
            Find(g.unref, "g_source_unref") && Find(g.defaultContext, "g_main_context_default"))
            break;
        usleep(5000);
    }
    if (!g.defaultContext) {
        std::fprintf(out, "no glib\n");
        std::fclose(out);
        return nullptr;
    }
    bool ready = false;
    int64_t postedMono = 0, postedReal = 0, maxNs = 0, lastTick = Now(CLOCK_MONOTONIC);
    bool outstanding = false;
    for (;;) {
        const int64_t now = Now(CLOCK_MONOTONIC);
        if (outstanding) {
            const int64_t ran = ranAt.load();
            if (ran != 0) {
                outstanding = false;
                const int64_t waited = ran - postedMono;
                if (!ready) {
                    ready = true;
                    std::fprintf(out, "ready %lld\n", static_cast<long long>(Now(CLOCK_REALTIME)));
                } else {
                    if (waited > maxNs) maxNs = waited;
                    if (waited >= 10000000)
                        std::fprintf(out, "stall %lld %.1f\n", static_cast<long long>(postedReal),
                                     waited / 1e6);
                }
                std::fflush(out);
            }
        }
        if (!outstanding) {
            ranAt.store(0);
            postedMono = Now(CLOCK_MONOTONIC);
            postedReal = Now(CLOCK_REALTIME);
            void* s = g.idleSourceNew();
            g.setPriority(s, 0); // G_PRIORITY_DEFAULT, as the program's own X and Qt events
            g.setCallback(s, Ran, nullptr, nullptr);
            g.attach(s, g.defaultContext()); // wakes the window thread's loop
            g.unref(s);
            outstanding = true;
        }
        if (ready && now - lastTick >= 1000000000) {
            lastTick = now;
            const int64_t waiting = Now(CLOCK_MONOTONIC) - postedMono;
            const double pending = outstanding && waiting > 0 ? waiting / 1e6 : 0.0;
            std::fprintf(out, "tick %lld %.1f %.1f\n", static_cast<long long>(Now(CLOCK_REALTIME)),
                         maxNs / 1e6, pending);
            std::fflush(out);
        }
        usleep(5000);
    }
}

__attribute__((constructor)) void Start() {
    const char* prefix = std::getenv("STALL_PROBE_OUT");
    if (!prefix || !*prefix) return;
    const std::string path = std::string(prefix) + "." + std::to_string(getpid());
    FILE* out = std::fopen(path.c_str(), "a");
    if (!out) return;
    char exe[512] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::fprintf(out, "start %s\n", n > 0 ? exe : "?");
    std::fflush(out);
    pthread_t t;
    if (pthread_create(&t, nullptr, Probe, out) == 0) pthread_detach(t);
}

} // namespace
