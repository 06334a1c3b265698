// The program's own clipboard: offered, and served to other programs from memory.
#include "WaylandSelectionParts.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace quorrel {

namespace {
using Clock = WaylandClock;
} // namespace

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
