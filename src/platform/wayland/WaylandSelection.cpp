#include "WaylandSelectionParts.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace quorrel {

namespace {

using Clock = WaylandClock;

struct Global {
    std::string name;
    std::uint32_t id, version;
};

const wl_registry_listener kRegistryListener = {
    [](void* globals, wl_registry*, std::uint32_t id, const char* iface, std::uint32_t version) {
        static_cast<std::vector<Global>*>(globals)->push_back({iface, id, version});
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

} // namespace

std::unique_ptr<WaylandSelection> WaylandSelection::Open(Deliver deliver) {
    wl_display* d = wl_display_connect(nullptr);
    if (!d) return nullptr;
    std::unique_ptr<WaylandSelection> s(new WaylandSelection);
    s->display_ = d;
    s->deliver_ = std::move(deliver);
    s->registry_ = wl_display_get_registry(d);
    std::vector<Global> globals;
    wl_registry_add_listener(s->registry_, &kRegistryListener, &globals);
    if (wl_display_roundtrip(d) < 0) return nullptr;
    const auto find = [&](const char* iface) -> const Global* {
        for (const Global& g : globals)
            if (g.name == iface) return &g;
        return nullptr;
    };
    const auto* seat = find("wl_seat");
    const auto* ext = find(kExt.manager->name);
    const auto* wlr = find(kWlr.manager->name);
    if (!seat || (!ext && !wlr)) {
        qCInfo(lcClipboard) << "no data-control protocol on this Wayland display";
        return nullptr;
    }
    s->protocol_ = ext ? &kExt : &kWlr;
    const auto* mgr = ext ? ext : wlr;
    s->seat_ =
        static_cast<wl_proxy*>(wl_registry_bind(s->registry_, seat->id, &wl_seat_interface, 1));
    s->manager_ =
        static_cast<wl_proxy*>(wl_registry_bind(s->registry_, mgr->id, s->protocol_->manager,
                                                std::min(mgr->version, s->protocol_->version)));
    s->device_ = wl_proxy_marshal_flags(s->manager_, kManagerGetDevice, s->protocol_->device,
                                        wl_proxy_get_version(s->manager_), 0, nullptr, s->seat_);
    static const zwlr_data_control_device_v1_listener deviceListener = {
        reinterpret_cast<decltype(deviceListener.data_offer)>(&OnDataOffer),
        reinterpret_cast<decltype(deviceListener.selection)>(&OnSelection),
        reinterpret_cast<decltype(deviceListener.finished)>(&OnFinished),
        reinterpret_cast<decltype(deviceListener.primary_selection)>(&OnPrimary),
    };
    wl_proxy_add_listener(s->device_,
                          reinterpret_cast<void (**)(void)>(
                              const_cast<zwlr_data_control_device_v1_listener*>(&deviceListener)),
                          s.get());
    // The first selection comes now; it is read on the thread.
    if (wl_display_roundtrip(d) < 0) return nullptr;
    if (!s->commands_.Open()) return nullptr;
    s->knownEmpty_ = true; // an empty clipboard at start is no change
    s->thread_ = std::thread([p = s.get()] { p->Run(); });
    qCInfo(lcClipboard) << "watching the clipboard through" << s->protocol_->name;
    return s;
}

WaylandSelection::~WaylandSelection() {
    if (thread_.joinable()) {
        commands_.Post(Command::Stop);
        thread_.join();
    }
    transfers_.clear();
    introduced_.clear();
    pendingSelection_.reset();
    selected_.reset();
    for (auto& [proxy, served] : sources_)
        Destroy(proxy, kSourceDestroy);
    Destroy(device_, kDeviceDestroy);
    Destroy(manager_, kManagerDestroy);
    if (seat_) wl_proxy_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
}

const char* WaylandSelection::Protocol() const {
    return protocol_->name;
}

ContentPtr WaylandSelection::Initial(std::chrono::milliseconds limit) {
    auto f = initial_.get_future();
    if (f.wait_for(limit) != std::future_status::ready) return nullptr;
    return f.get();
}

void WaylandSelection::Own(ContentPtr content) {
    commands_.Post(Command::OwnIt, std::move(content));
}

void WaylandSelection::Disown() {
    commands_.Post(Command::DisownIt);
}

// ---- the selection thread ----

void WaylandSelection::OnDataOffer(void* self, wl_proxy*, wl_proxy* offer) {
    auto* s = static_cast<WaylandSelection*>(self);
    auto o = std::make_unique<Offer>();
    o->proxy = offer;
    static const zwlr_data_control_offer_v1_listener offerListener = {
        reinterpret_cast<decltype(offerListener.offer)>(&OnOfferMime)};
    wl_proxy_add_listener(offer,
                          reinterpret_cast<void (**)(void)>(
                              const_cast<zwlr_data_control_offer_v1_listener*>(&offerListener)),
                          o.get());
    s->introduced_[offer] = std::move(o);
}

void WaylandSelection::OnOfferMime(void* offer, wl_proxy*, const char* mime) {
    static_cast<Offer*>(offer)->types.emplace_back(QByteArray(mime));
}

void WaylandSelection::OnSelection(void* self, wl_proxy*, wl_proxy* offer) {
    auto* s = static_cast<WaylandSelection*>(self);
    std::unique_ptr<Offer> o;
    if (auto it = s->introduced_.find(offer); it != s->introduced_.end()) {
        o = std::move(it->second);
        s->introduced_.erase(it);
    }
    // The newest change replaces one not handled yet, and a read under way.
    s->pendingSelection_ = std::move(o);
    if (s->reading_) s->abort_ = true;
}

void WaylandSelection::OnPrimary(void* self, wl_proxy*, wl_proxy* offer) {
    // The primary selection (select to paste) is not the clipboard.
    static_cast<WaylandSelection*>(self)->introduced_.erase(offer);
}

void WaylandSelection::OnFinished(void* self, wl_proxy*) {
    auto* s = static_cast<WaylandSelection*>(self);
    qCWarning(lcClipboard) << "the compositor ended clipboard watching";
    s->dead_ = true;
}

void WaylandSelection::Run() {
    // A program that closes its end of a paste early must not end this one.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);

    while (!stop_) {
        if (pendingSelection_) {
            std::unique_ptr<Offer> o = std::move(*pendingSelection_);
            pendingSelection_.reset();
            HandleSelection(std::move(o));
            continue;
        }
        if (!initialSet_) {
            initialSet_ = true;
            initial_.set_value(lastRead_.content ? lastRead_.content
                                                 : std::make_shared<ClipContent>());
        }
        Pump(-1, nullptr);
    }
    if (!initialSet_) initial_.set_value(std::make_shared<ClipContent>());
}

void WaylandSelection::Pump(int timeoutMs, pollfd* extra) {
    if (!dead_) {
        while (wl_display_prepare_read(display_) != 0)
            wl_display_dispatch_pending(display_);
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display_);
            dead_ = true;
        }
    }
    // Transfers whose receiver stopped taking them are let go.
    const Clock::time_point now = Clock::now();
    std::erase_if(transfers_, [now](const auto& t) { return t->deadline <= now; });
    Clock::time_point wakeAt = Clock::time_point::max();
    for (const auto& t : transfers_)
        wakeAt = std::min(wakeAt, t->deadline);
    if (wakeAt != Clock::time_point::max()) {
        const int left =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - now).count()) + 1;
        timeoutMs = timeoutMs < 0 ? left : std::min(timeoutMs, left);
    }

    std::vector<pollfd> fds = {{dead_ ? -1 : wl_display_get_fd(display_), POLLIN, 0},
                               {commands_.WakeFd(), POLLIN, 0}};
    if (extra) fds.push_back({extra->fd, extra->events, 0});
    const std::size_t firstTransfer = fds.size();
    for (const auto& t : transfers_)
        fds.push_back({t->fd, POLLOUT, 0});
    const int n = poll(fds.data(), fds.size(), timeoutMs);
    if (n < 0 && errno != EINTR) dead_ = true;
    if (!dead_) {
        if (n > 0 && (fds[0].revents & POLLIN)) {
            if (wl_display_read_events(display_) < 0) dead_ = true;
        } else {
            wl_display_cancel_read(display_);
        }
        if (fds[0].revents & (POLLERR | POLLHUP)) dead_ = true;
        if (!dead_ && wl_display_dispatch_pending(display_) < 0) dead_ = true;
        if (dead_) qCWarning(lcClipboard) << "the Wayland connection broke";
    }
    if (extra) extra->revents = fds[2].revents;
    ServeTransfers(fds, firstTransfer);
    RunCommands();
}

void WaylandSelection::RunCommands() {
    for (Command& c : commands_.Take()) {
        switch (c.kind) {
        case Command::OwnIt:
            TakeOwnership(c.content);
            ++processed_;
            break;
        case Command::DisownIt:
            GiveUpOwnership();
            ++processed_;
            break;
        case Command::Stop:
            stop_ = true;
            break;
        }
        // A read under way is about a state the program has since replaced.
        if (reading_) abort_ = true;
        c.done->set_value();
    }
}

void WaylandSelection::PostEmpty() {
    if (knownEmpty_) return;
    knownEmpty_ = true;
    lastRead_ = {};
    deliver_(std::make_shared<ClipContent>(), processed_);
}

} // namespace quorrel
