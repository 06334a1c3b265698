// Reading another program's copy: choosing its types and receiving them through a pipe.
#include "WaylandSelectionParts.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace quorrel {

namespace {
using Clock = WaylandClock;
} // namespace

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

} // namespace quorrel
