// A native Wayland program that owns the clipboard for the end-to-end tests, with what wl-copy
// cannot do: several types at once (a password manager's text with its hint) or an owner that
// takes every request and never writes.
//   wl_owner [--silent] TYPE FILE [TYPE FILE...]
// Sets the clipboard through the data-control protocol (no focus needed), prints "ready" once it
// holds it, and serves each TYPE from FILE until another copy replaces it; --silent keeps every
// request open, unanswered.
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

wl_seat* seat = nullptr;
zwlr_data_control_manager_v1* manager = nullptr;
std::map<std::string, std::string> served;
bool silent = false;
bool cancelled = false;
std::vector<int> held;

void Global(void*, wl_registry* r, std::uint32_t id, const char* iface, std::uint32_t) {
    if (std::strcmp(iface, "wl_seat") == 0 && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(r, id, &wl_seat_interface, 1));
    if (std::strcmp(iface, "zwlr_data_control_manager_v1") == 0)
        manager = static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(r, id, &zwlr_data_control_manager_v1_interface, 1));
}
void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener registryListener = {Global, GlobalRemove};

void Send(void*, zwlr_data_control_source_v1*, const char* mime, std::int32_t fd) {
    if (silent) {
        held.push_back(fd); // open and empty: the reader waits for bytes that never come
        return;
    }
    const std::string& data = served[mime];
    std::size_t off = 0;
    while (off < data.size()) {
        const ssize_t n = write(fd, data.data() + off, data.size() - off);
        if (n <= 0) break;
        off += std::size_t(n);
    }
    close(fd);
}
void Cancelled(void*, zwlr_data_control_source_v1*) {
    cancelled = true;
}
const zwlr_data_control_source_v1_listener sourceListener = {Send, Cancelled};

} // namespace

int main(int argc, char** argv) {
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "--silent") == 0) silent = (++i, true);
    if ((argc - i) < 2 || (argc - i) % 2 != 0) {
        std::fprintf(stderr, "usage: wl_owner [--silent] TYPE FILE [TYPE FILE...]\n");
        return 2;
    }
    wl_display* d = wl_display_connect(nullptr);
    if (!d) {
        std::fprintf(stderr, "wl_owner: no Wayland display\n");
        return 1;
    }
    wl_registry* reg = wl_display_get_registry(d);
    wl_registry_add_listener(reg, &registryListener, nullptr);
    wl_display_roundtrip(d);
    if (!seat || !manager) {
        std::fprintf(stderr, "wl_owner: the compositor offers no data-control\n");
        return 1;
    }
    auto* source = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, nullptr);
    for (; i + 1 < argc; i += 2) {
        std::ifstream in(argv[i + 1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "wl_owner: cannot read %s\n", argv[i + 1]);
            return 1;
        }
        served[argv[i]].assign(std::istreambuf_iterator<char>(in), {});
        zwlr_data_control_source_v1_offer(source, argv[i]);
    }
    auto* device = zwlr_data_control_manager_v1_get_data_device(manager, seat);
    zwlr_data_control_device_v1_set_selection(device, source);
    // Once the compositor has taken the request, the clipboard is ours: say so.
    wl_display_roundtrip(d);
    if (!cancelled) std::printf("ready\n");
    std::fflush(stdout);
    while (!cancelled && wl_display_dispatch(d) >= 0) {
    }
    return 0;
}
