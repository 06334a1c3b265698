// Watching the owner of CLIPBOARD and reading another program's copy: TARGETS, the password mark,
// the best text and picture targets, each at most once, INCR included, bounded in size.
#include "X11SelectionParts.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cstring>

namespace quorrel {

namespace {

// How long a given-up read's window stays for what its owner still sends, and at most.
constexpr std::chrono::seconds kReaderQuiet{60};
constexpr std::chrono::seconds kReaderEnd{120};

} // namespace

void X11Selection::HandleOwnerNotice(OwnerNotice n) {
    if (n.owner == XCB_WINDOW_NONE) {
        KeepOrEmpty(n);
        return;
    }
    knownEmpty_ = false;
    foreignOwner_ = n.owner;
    for (std::chrono::milliseconds patience : {clip::kPatience, clip::kPatienceAgain}) {
        const std::uint64_t before = processed_;
        reading_ = true;
        abort_ = false;
        patience_ = patience;
        ReadResult r = ReadContent();
        reading_ = false;
        if (abort_) {
            // A newer change or an own write replaced it while it was read.
            qCDebug(lcClipboard) << "read of owner" << n.owner << "left for a newer change";
            return;
        }
        if (r.whole || patience == clip::kPatience) {
            lastRead_ = r;
            lastReadOwner_ = n.owner;
            deliver_(r.content, before);
        }
        // An owner that serves one reader at a time (xclip) may be busy with another
        // clipboard reader: the silent change counts as empty, and is asked for once more.
        if (r.whole) return;
        qCWarning(lcClipboard) << "owner" << n.owner << "was silent for" << patience.count() << "ms"
                               << (patience == clip::kPatience ? "; asked once more" : "");
    }
}

void X11Selection::PostEmpty() {
    if (knownEmpty_) return; // the program already shows an empty clipboard
    knownEmpty_ = true;
    lastRead_ = {};
    deliver_(std::make_shared<ClipContent>(), processed_);
}

X11Selection::Fetched X11Selection::Fetch(std::uint32_t target, qint64 limit,
                                          std::vector<char>* data, std::uint32_t* type) {
    const std::uint32_t prop = a_->property;
    data->clear();
    xcb_delete_property(c_, reader_, prop);
    xcb_convert_selection(c_, reader_, a_->clipboard, target, prop, XCB_CURRENT_TIME);
    xcb_flush(c_);
    xcb_generic_event_t* ev = Wait(
        [this](xcb_generic_event_t* e) {
            return EventType(e) == XCB_SELECTION_NOTIFY &&
                   reinterpret_cast<xcb_selection_notify_event_t*>(e)->requestor == reader_;
        },
        patience_);
    if (!ev) return Fetched::Silent;
    const auto property = reinterpret_cast<xcb_selection_notify_event_t*>(ev)->property;
    std::free(ev);
    if (property == XCB_ATOM_NONE) return Fetched::Refused;

    // At most one byte over the limit is asked for: a larger property is never copied here.
    const auto words = static_cast<std::uint32_t>(std::min<qint64>(limit / 4 + 1, UINT32_MAX / 4));
    Freed<xcb_get_property_reply_t> first(xcb_get_property_reply(
        c_, xcb_get_property(c_, 1, reader_, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, words), nullptr));
    if (!first) return Fetched::Silent;
    if (first->type != a_->incr) {
        const int len = xcb_get_property_value_length(first.p);
        if (first->bytes_after > 0 || len > limit) return Fetched::TooLarge;
        const char* v = static_cast<const char*>(xcb_get_property_value(first.p));
        data->assign(v, v + len);
        *type = first->type;
        return Fetched::Ok;
    }
    // INCR: the owner sends chunks, each after we delete the last one; an empty one ends it.
    if (xcb_get_property_value_length(first.p) >= 4) {
        std::uint32_t hint = 0;
        std::memcpy(&hint, xcb_get_property_value(first.p), 4);
        if (hint > limit) return Fetched::TooLarge;
        data->reserve(hint);
    }
    xcb_flush(c_);
    for (;;) {
        xcb_generic_event_t* pe = Wait(
            [this, prop](xcb_generic_event_t* e) {
                if (EventType(e) != XCB_PROPERTY_NOTIFY) return false;
                const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                return p->window == reader_ && p->atom == prop &&
                       p->state == XCB_PROPERTY_NEW_VALUE;
            },
            patience_);
        if (!pe) return Fetched::Silent;
        std::free(pe);
        Freed<xcb_get_property_reply_t> part(xcb_get_property_reply(
            c_, xcb_get_property(c_, 1, reader_, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, words),
            nullptr));
        xcb_flush(c_);
        if (!part) return Fetched::Silent;
        const int len = xcb_get_property_value_length(part.p);
        if (len == 0 && part->bytes_after == 0) {
            *type = part->type;
            return Fetched::Ok;
        }
        // Given up as soon as it grows beyond the limit, whatever the owner announced.
        if (part->bytes_after > 0 || qint64(data->size()) + len > limit) {
            data->clear();
            data->shrink_to_fit();
            return Fetched::TooLarge;
        }
        const char* v = static_cast<const char*>(xcb_get_property_value(part.p));
        data->insert(data->end(), v, v + len);
    }
}

X11Selection::ReadResult X11Selection::ReadContent() {
    reader_ = xcb_generate_id(c_);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, 0, reader_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    ReadResult r = ReadOffered();
    if (r.whole && !r.retire) {
        xcb_destroy_window(c_, reader_); // every answer is in: nothing more comes for it
        xcb_flush(c_);
    } else {
        RetireReader();
    }
    reader_ = 0;
    return r;
}

void X11Selection::RetireReader() {
    // An owner may still answer, or go on with a long copy: it finds the window there (xclip
    // ends on a window that is gone), and the pieces are taken away until it has finished.
    xcb_delete_property(c_, reader_, a_->property);
    xcb_flush(c_);
    const Clock::time_point now = Clock::now();
    retired_[reader_] = {now + kReaderQuiet, now + kReaderEnd};
}

void X11Selection::DropQuietReaders(Clock::time_point now) {
    for (auto it = retired_.begin(); it != retired_.end();) {
        if (it->second.quietAt > now) {
            ++it;
            continue;
        }
        xcb_destroy_window(c_, it->first);
        xcb_flush(c_);
        it = retired_.erase(it);
    }
}

bool X11Selection::TakeRetiredPiece(const xcb_property_notify_event_t& e) {
    const auto r = retired_.find(e.window);
    if (r == retired_.end()) return false;
    // A late piece of a read given up: taken away unread, so that its owner can finish.
    if (e.state == XCB_PROPERTY_NEW_VALUE) {
        xcb_delete_property(c_, e.window, e.atom);
        xcb_flush(c_);
    }
    r->second.quietAt = std::min(Clock::now() + kReaderQuiet, r->second.endAt);
    return true;
}

X11Selection::ReadResult X11Selection::ReadOffered() {
    auto content = std::make_shared<ClipContent>();
    ReadResult r{content, false, false};
    std::uint32_t type = 0;
    std::vector<char> bytes;
    std::vector<std::uint32_t> offered;
    switch (Fetch(a_->targets, clip::kMaxOtherBytes, &bytes, &type)) {
    case Fetched::Ok:
        offered.resize(bytes.size() / 4);
        std::memcpy(offered.data(), bytes.data(), offered.size() * 4);
        break;
    case Fetched::Refused:
    case Fetched::TooLarge:
        // An owner that does not list its targets may still give text.
        offered = {a_->utf8, XCB_ATOM_STRING};
        break;
    case Fetched::Silent:
        return r; // a silent owner: this change holds no text and no picture
    }
    auto has = [&](std::uint32_t atom) {
        return std::find(offered.begin(), offered.end(), atom) != offered.end();
    };

    if (has(a_->hint)) {
        const Fetched f = Fetch(a_->hint, clip::kMaxOtherBytes, &bytes, &type);
        if (f == Fetched::Silent) return r;
        content->secret =
            f == Fetched::Ok && clip::IsSecretHint(bytes.data(), qsizetype(bytes.size()));
    }
    // The first offered target of a list that the owner gives.
    const auto first = [&](const std::vector<std::uint32_t>& targets) {
        for (const std::uint32_t target : targets) {
            if (!has(target)) continue;
            const QByteArray name = a_->NameOf(target);
            const qint64 limit =
                clip::MaxBytes(name) == clip::kMaxTextBytes ? maxText_ : clip::MaxBytes(name);
            const Fetched f = Fetch(target, limit, &bytes, &type);
            if (f != Fetched::Refused) return f;
        }
        return Fetched::Refused;
    };
    // A copy given up for its size is final: the owner is still sending it, to a reader that no
    // longer listens, and would not answer another request meanwhile.
    const auto tooLarge = [&] {
        qCWarning(lcClipboard) << "a copy of" << foreignOwner_ << "grew beyond its limit: given up";
        r.whole = r.retire = true;
        return r;
    };
    switch (first(a_->textTargets)) {
    case Fetched::Silent:
        return r;
    case Fetched::TooLarge:
        clip::TextTooLarge(*content, maxText_);
        return tooLarge();
    case Fetched::Ok:
        clip::TakeText(*content, type == XCB_ATOM_STRING ? QByteArray("STRING") : QByteArray(),
                       bytes.data(), qsizetype(bytes.size()));
        break;
    case Fetched::Refused:
        break;
    }
    bytes = {};
    switch (first(a_->pictureTargets)) {
    case Fetched::Silent:
        return r;
    case Fetched::TooLarge:
        clip::PictureTooLarge(*content);
        return tooLarge();
    case Fetched::Ok:
        clip::TakePicture(*content, bytes.data(), qsizetype(bytes.size()));
        break;
    case Fetched::Refused:
        break;
    }
    r.whole = true;
    return r;
}

} // namespace quorrel
