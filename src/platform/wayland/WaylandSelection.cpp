#include "WaylandSelection.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
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

namespace {

using Clock = std::chrono::steady_clock;

const WaylandSelection::Interfaces kExt{"ext_data_control_v1",
                                        &ext_data_control_manager_v1_interface,
                                        &ext_data_control_device_v1_interface,
                                        &ext_data_control_source_v1_interface,
                                        &ext_data_control_offer_v1_interface,
                                        1};
// Version 1: the primary selection of version 2 is of no interest.
const WaylandSelection::Interfaces kWlr{
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

void Destroy(wl_proxy* p, std::uint32_t opcode) {
    if (p)
        wl_proxy_marshal_flags(p, opcode, nullptr, wl_proxy_get_version(p),
                               WL_MARSHAL_FLAG_DESTROY);
}

// Offered with the program's own copies, so that their notice is known as the program's own.
constexpr const char* kOwnMark = "application/x-quorrel-own";

} // namespace

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
    Clock::time_point deadline;
    ~Transfer() {
        if (fd >= 0) close(fd);
    }
};

namespace {

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
    s->wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (s->wake_ < 0) return nullptr;
    s->knownEmpty_ = true; // an empty clipboard at start is no change
    s->thread_ = std::thread([p = s.get()] { p->Run(); });
    qCInfo(lcClipboard) << "watching the clipboard through" << s->protocol_->name;
    return s;
}

WaylandSelection::~WaylandSelection() {
    if (thread_.joinable()) {
        Post({Command::Stop, nullptr, std::make_shared<std::promise<void>>()});
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
    if (wake_ >= 0) close(wake_);
}

const char* WaylandSelection::Protocol() const {
    return protocol_->name;
}

ContentPtr WaylandSelection::Initial(std::chrono::milliseconds limit) {
    auto f = initial_.get_future();
    if (f.wait_for(limit) != std::future_status::ready) return nullptr;
    return f.get();
}

void WaylandSelection::Post(Command c) {
    auto done = c.done->get_future();
    {
        std::lock_guard<std::mutex> lock(m_);
        commands_.push_back(std::move(c));
    }
    const std::uint64_t one = 1;
    (void)!write(wake_, &one, sizeof one);
    // The selection thread never waits for the window thread: this wait is short; the limit only
    // guards against a broken connection.
    done.wait_for(std::chrono::seconds(2));
}

void WaylandSelection::Own(ContentPtr content) {
    Post({Command::OwnIt, std::move(content), std::make_shared<std::promise<void>>()});
}

void WaylandSelection::Disown() {
    Post({Command::DisownIt, nullptr, std::make_shared<std::promise<void>>()});
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
                               {wake_, POLLIN, 0}};
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
    if (fds[1].revents & POLLIN) {
        std::uint64_t v;
        (void)!read(wake_, &v, sizeof v);
    }
    ServeTransfers(fds, firstTransfer);
    RunCommands();
}

void WaylandSelection::RunCommands() {
    std::deque<Command> todo;
    {
        std::lock_guard<std::mutex> lock(m_);
        todo.swap(commands_);
    }
    for (Command& c : todo) {
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

void WaylandSelection::HandleSelection(std::unique_ptr<Offer> offer) {
    selected_ = std::move(offer);
    if (selected_ && selected_->Has(kOwnMark)) return; // the program's own copy
    if (!selected_) {
        // The owner quit (or cleared the clipboard): the clipboard keeps the last copy read
        // whole, as on Windows; a password never.
        if (source_ == nullptr &&
            clip::KeepWhenOwnerQuits(lastRead_.content.get(), lastRead_.whole, false)) {
            qCInfo(lcClipboard) << "the owner went away: keeping its copy";
            TakeOwnership(lastRead_.content);
            return;
        }
        PostEmpty();
        return;
    }
    knownEmpty_ = false;
    const std::uint64_t before = processed_;
    reading_ = true;
    abort_ = false;
    ReadResult r = ReadOffer(*selected_);
    reading_ = false;
    // A newer change or an own write replaced it while it was read, or the program is quitting.
    if (abort_ || stop_) return;
    lastRead_ = r;
    deliver_(r.content, before);
}

std::optional<std::vector<char>> WaylandSelection::Receive(Offer& offer, const QByteArray& mime) {
    tooLarge_ = false;
    int p[2];
    if (pipe2(p, O_CLOEXEC) != 0) return std::nullopt;
    // Only our end waits for nothing: the owner writes to its end as to any pipe, and many
    // owners give up on a write that would block.
    fcntl(p[0], F_SETFL, O_NONBLOCK);
    wl_proxy_marshal_flags(offer.proxy, kOfferReceive, nullptr, wl_proxy_get_version(offer.proxy),
                           0, mime.constData(), p[1]);
    close(p[1]);
    std::vector<char> data;
    Clock::time_point deadline = Clock::now() + clip::kPatience;
    const std::size_t limit = std::size_t(clip::MaxBytes(mime));
    char buf[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            qCInfo(lcClipboard) << "the owner stopped sending" << mime << "after" << data.size()
                                << "bytes: given up";
            close(p[0]);
            return std::nullopt;
        }
        pollfd in{p[0], POLLIN, 0};
        Pump(int(left.count()) + 1, &in);
        if (abort_ || stop_) {
            close(p[0]);
            return std::nullopt;
        }
        if (!(in.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        for (;;) {
            const ssize_t n = read(p[0], buf, sizeof buf);
            if (n > 0) {
                data.insert(data.end(), buf, buf + n);
                deadline = Clock::now() + clip::kPatience;
                if (data.size() > limit) {
                    qCWarning(lcClipboard) << mime << "larger than" << limit << "bytes: not taken";
                    tooLarge_ = true;
                    close(p[0]);
                    return std::nullopt;
                }
                continue;
            }
            if (n == 0) {
                close(p[0]);
                return data;
            }
            if (errno == EINTR) continue;
            if (errno == EAGAIN) break;
            close(p[0]);
            return std::nullopt;
        }
    }
}

WaylandSelection::ReadResult WaylandSelection::ReadOffer(Offer& offer) {
    auto content = std::make_shared<ClipContent>();
    ReadResult r{content, false};
    if (offer.Has(clip::kPasswordHint)) {
        auto h = Receive(offer, clip::kPasswordHint);
        if (abort_) return r;
        content->secret = h && clip::IsSecretHint(h->data(), qsizetype(h->size()));
    }
    // Each kind from the first offered type that gives its bytes; a silent owner ends the read.
    for (const QByteArray& t : clip::Offered(clip::TextTargets(), offer.types)) {
        auto bytes = Receive(offer, t);
        if (abort_) return r;
        if (bytes) {
            clip::TakeText(*content, t, bytes->data(), qsizetype(bytes->size()));
            break;
        }
        if (tooLarge_) {
            clip::TextTooLarge(*content);
            break;
        }
        return r;
    }
    for (const QByteArray& t : clip::Offered(clip::PictureTargets(), offer.types)) {
        auto bytes = Receive(offer, t);
        if (abort_) return r;
        if (bytes) {
            clip::TakePicture(*content, bytes->data(), qsizetype(bytes->size()));
            break;
        }
        if (tooLarge_) {
            clip::PictureTooLarge(*content);
            break;
        }
        return r;
    }
    r.whole = true;
    return r;
}

// ---- the program's own clipboard ----

void WaylandSelection::TakeOwnership(ContentPtr content) {
    auto served = std::make_shared<Served>(std::move(content));
    wl_proxy* src = wl_proxy_marshal_flags(manager_, kManagerCreateSource, protocol_->source,
                                           wl_proxy_get_version(manager_), 0, nullptr);
    static const zwlr_data_control_source_v1_listener sourceListener = {
        reinterpret_cast<decltype(sourceListener.send)>(&OnSend),
        reinterpret_cast<decltype(sourceListener.cancelled)>(&OnCancelled)};
    wl_proxy_add_listener(src,
                          reinterpret_cast<void (**)(void)>(
                              const_cast<zwlr_data_control_source_v1_listener*>(&sourceListener)),
                          this);
    const auto offer = [src](const char* mime) {
        wl_proxy_marshal_flags(src, kSourceOffer, nullptr, wl_proxy_get_version(src), 0, mime);
    };
    offer(kOwnMark);
    for (const QByteArray& t : served->encodings.Targets())
        offer(t.constData());
    wl_proxy_marshal_flags(device_, kDeviceSetSelection, nullptr, wl_proxy_get_version(device_), 0,
                           src);
    wl_display_flush(display_);
    sources_[src] = served;
    source_ = src;
    served_ = served;
    knownEmpty_ = false;
    lastRead_ = {};
}

void WaylandSelection::GiveUpOwnership() {
    source_ = nullptr;
    served_.reset();
    // Whoever owns it, the clipboard holds nothing afterwards.
    wl_proxy_marshal_flags(device_, kDeviceSetSelection, nullptr, wl_proxy_get_version(device_), 0,
                           nullptr);
    wl_display_flush(display_);
    knownEmpty_ = true;
    lastRead_ = {};
}

void WaylandSelection::OnCancelled(void* self, wl_proxy* source) {
    auto* s = static_cast<WaylandSelection*>(self);
    // Another copy replaced ours; pastes under way go on from their own reference.
    s->sources_.erase(source);
    if (s->source_ == source) {
        s->source_ = nullptr;
        s->served_.reset();
    }
    Destroy(source, kSourceDestroy);
}

void WaylandSelection::OnSend(void* self, wl_proxy* source, const char* mime, std::int32_t fd) {
    auto* s = static_cast<WaylandSelection*>(self);
    auto it = s->sources_.find(source);
    if (it == s->sources_.end()) {
        close(fd);
        return;
    }
    std::shared_ptr<const QByteArray> data = it->second->encodings.For(QByteArray(mime)).data;
    if (!data) {
        close(fd); // a type not offered, or a picture that could not be encoded: nothing comes
        return;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    auto t = std::make_unique<Transfer>();
    t->fd = fd;
    t->data = std::move(data);
    t->deadline = Clock::now() + clip::kPatience * 2;
    s->transfers_.push_back(std::move(t));
}

void WaylandSelection::ServeTransfers(const std::vector<pollfd>& fds, std::size_t first) {
    // fds[first + i] belongs to transfers_[i] as they were when polled; new ones come after.
    std::vector<Transfer*> done;
    for (std::size_t i = first; i < fds.size(); ++i) {
        Transfer* t = transfers_[i - first].get();
        if (!(fds[i].revents & (POLLOUT | POLLERR | POLLHUP))) continue;
        for (;;) {
            const qsizetype left = t->data->size() - t->offset;
            if (left == 0) {
                done.push_back(t);
                break;
            }
            const ssize_t n = write(t->fd, t->data->constData() + t->offset, std::size_t(left));
            if (n > 0) {
                t->offset += n;
                t->deadline = Clock::now() + clip::kPatience * 2;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) break;
            done.push_back(t); // the receiver went away
            break;
        }
    }
    std::erase_if(transfers_, [&](const auto& t) {
        return std::find(done.begin(), done.end(), t.get()) != done.end();
    });
}

} // namespace quorrel
