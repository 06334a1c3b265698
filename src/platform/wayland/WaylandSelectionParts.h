#pragma once
// What the files of WaylandSelection share, and nothing else includes.
#include "platform/wayland/WaylandSelection.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <chrono>
#include <unistd.h>

namespace quorrel {

// The two protocols have the same requests and events in the same order; only their names
// differ. Requests are sent by number with the interfaces of the protocol the compositor offers.
struct WaylandSelection::Interfaces {
    const char* name;
    const wl_interface* manager;
    const wl_interface* device;
    const wl_interface* source;
    const wl_interface* offer;
    std::uint32_t version; // the highest version used
};

using WaylandClock = std::chrono::steady_clock;

inline const WaylandSelection::Interfaces kExt{"ext_data_control_v1",
                                               &ext_data_control_manager_v1_interface,
                                               &ext_data_control_device_v1_interface,
                                               &ext_data_control_source_v1_interface,
                                               &ext_data_control_offer_v1_interface,
                                               1};
// Version 1: the primary selection of version 2 is of no interest.
inline const WaylandSelection::Interfaces kWlr{
    "zwlr_data_control_unstable_v1",        &zwlr_data_control_manager_v1_interface,
    &zwlr_data_control_device_v1_interface, &zwlr_data_control_source_v1_interface,
    &zwlr_data_control_offer_v1_interface,  1};

enum : std::uint32_t {
    kManagerCreateSource = 0,
    kManagerGetDevice = 1,
    kManagerDestroy = 2,
    kDeviceSetSelection = 0,
    kDeviceDestroy = 1,
    kSourceOffer = 0,
    kSourceDestroy = 1,
    kOfferReceive = 0,
    kOfferDestroy = 1,
};

inline void Destroy(wl_proxy* p, std::uint32_t opcode) {
    if (p)
        wl_proxy_marshal_flags(p, opcode, nullptr, wl_proxy_get_version(p),
                               WL_MARSHAL_FLAG_DESTROY);
}

// Offered with the program's own copies, so that their notice is known as the program's own.
constexpr const char* kOwnMark = "application/x-quorrel-own";

// Another program's offer: the types it lists.
struct WaylandSelection::Offer {
    wl_proxy* proxy = nullptr;
    std::vector<QByteArray> types;
    bool Has(const char* t) const {
        return std::find(types.begin(), types.end(), t) != types.end();
    }
    ~Offer() { Destroy(proxy, kOfferDestroy); }
};

// What the program has put on the clipboard, with its encodings made on first request.
struct WaylandSelection::Served {
    explicit Served(ContentPtr c) : encodings(std::move(c)) {}
    clip::Encodings encodings;
};

// One copy going out to another program through its pipe.
struct WaylandSelection::Transfer {
    int fd = -1;
    std::shared_ptr<const QByteArray> data;
    qsizetype offset = 0;
    WaylandClock::time_point deadline;
    ~Transfer() {
        if (fd >= 0) close(fd);
    }
};

} // namespace quorrel
