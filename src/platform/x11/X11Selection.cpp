#include "X11Selection.h"

#include "platform/PictureBytes.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace quorrel {

namespace {

using Clock = std::chrono::steady_clock;

template <typename T> struct Freed {
    T* p;
    explicit Freed(T* v) : p(v) {}
    ~Freed() { std::free(p); }
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

constexpr std::uint8_t Type(const xcb_generic_event_t* ev) {
    return ev->response_type & 0x7f;
}

// Text targets, best first, and picture targets, best first.
constexpr const char* kTextTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT",
                                        "text/plain"};
// How long a given-up read's window stays for what its owner still sends.
constexpr std::chrono::seconds kReaderQuiet{60};

constexpr const char* kPictureTargets[] = {"image/png", "image/bmp",  "image/jpeg", "image/x-bmp",
                                           "image/gif", "image/tiff", "image/webp"};

} // namespace

struct X11Selection::Atoms {
    std::uint32_t clipboard, targets, timestamp, multiple, incr, utf8, textUtf8, text, textPlain,
        png, bmp, hint, manager, saveTargets, property, atomPair;
    std::vector<std::uint32_t> textTargets;    // in kTextTargets order (STRING is predefined)
    std::vector<std::uint32_t> pictureTargets; // in kPictureTargets order
};

// What the program has put on the clipboard, with its encodings made on first request.
struct X11Selection::Served {
    ContentPtr content;
    std::shared_ptr<const QByteArray> utf8, latin1, png, bmp;
    // The server's time of taking the clipboard, which TIMESTAMP answers.
    std::uint32_t acquired = XCB_CURRENT_TIME;
};

// One INCR transfer to a requestor that asked for more than one chunk.
struct X11Selection::Outgoing {
    std::uint32_t requestor, property, type;
    std::shared_ptr<const QByteArray> data;
    qsizetype offset = 0;
    bool finished = false;
    Clock::time_point deadline;
};

std::unique_ptr<X11Selection> X11Selection::Open(const char* display, Deliver deliver) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return nullptr;
    }
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!fixes || !fixes->present) {
        xcb_disconnect(c);
        return nullptr;
    }
    Freed<xcb_xfixes_query_version_reply_t> v(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));

    std::unique_ptr<X11Selection> s(new X11Selection);
    s->c_ = c;
    s->deliver_ = std::move(deliver);
    s->fixesEvent_ = fixes->first_event;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    s->root_ = it.data->root;

    // Requests and replies bigger than this are sent in INCR chunks.
    const std::uint32_t maxRequest = xcb_get_maximum_request_length(c) * 4;
    s->chunk_ = std::min<std::size_t>(256 * 1024, maxRequest > 4096 ? maxRequest - 1024 : 4096);

    auto& a = *(s->a_ = std::make_unique<Atoms>());
    a.clipboard = s->Intern("CLIPBOARD");
    a.targets = s->Intern("TARGETS");
    a.timestamp = s->Intern("TIMESTAMP");
    a.multiple = s->Intern("MULTIPLE");
    a.incr = s->Intern("INCR");
    a.utf8 = s->Intern("UTF8_STRING");
    a.textUtf8 = s->Intern("text/plain;charset=utf-8");
    a.text = s->Intern("TEXT");
    a.textPlain = s->Intern("text/plain");
    a.png = s->Intern("image/png");
    a.bmp = s->Intern("image/bmp");
    a.hint = s->Intern("x-kde-passwordManagerHint");
    a.manager = s->Intern("CLIPBOARD_MANAGER");
    a.saveTargets = s->Intern("SAVE_TARGETS");
    a.property = s->Intern("QUORREL_SELECTION");
    a.atomPair = s->Intern("ATOM_PAIR");
    for (const char* n : kTextTargets)
        a.textTargets.push_back(std::strcmp(n, "STRING") == 0 ? std::uint32_t(XCB_ATOM_STRING)
                                                              : s->Intern(n));
    for (const char* n : kPictureTargets)
        a.pictureTargets.push_back(s->Intern(n));

    s->win_ = xcb_generate_id(c);
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, s->win_, s->root_, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    const char title[] = "Quorrel clipboard";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, s->win_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    const std::uint32_t ownerEvents = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;
    xcb_xfixes_select_selection_input(c, s->win_, a.clipboard, ownerEvents);
    xcb_xfixes_select_selection_input(c, s->win_, a.manager, ownerEvents);
    xcb_flush(c);

    s->wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (s->wake_ < 0) return nullptr;
    s->thread_ = std::thread([p = s.get()] { p->Run(); });
    return s;
}

X11Selection::~X11Selection() {
    if (thread_.joinable()) {
        Command stop{Command::Stop, nullptr, std::make_shared<std::promise<void>>()};
        Post(std::move(stop));
        thread_.join();
    }
    for (xcb_generic_event_t* ev : deferred_)
        std::free(ev);
    if (wake_ >= 0) close(wake_);
    if (c_) xcb_disconnect(c_);
}

std::uint32_t X11Selection::Owner(std::uint32_t selection) {
    Freed<xcb_get_selection_owner_reply_t> o(
        xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection), nullptr));
    return o ? o->owner : std::uint32_t(XCB_WINDOW_NONE);
}

std::uint32_t X11Selection::Intern(const char* name) {
    Freed<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : std::uint32_t(XCB_ATOM_NONE);
}

ContentPtr X11Selection::Initial(std::chrono::milliseconds limit) {
    auto f = initial_.get_future();
    if (f.wait_for(limit) != std::future_status::ready) return nullptr;
    return f.get();
}

void X11Selection::Post(Command c) {
    auto done = c.done->get_future();
    {
        std::lock_guard<std::mutex> lock(m_);
        commands_.push_back(std::move(c));
    }
    const std::uint64_t one = 1;
    (void)!write(wake_, &one, sizeof one);
    // The selection thread never waits for the window thread, so this wait is short; the limit
    // only guards against a broken X connection.
    done.wait_for(std::chrono::seconds(2));
}

void X11Selection::Own(ContentPtr content) {
    Post({Command::OwnIt, std::move(content), std::make_shared<std::promise<void>>()});
}

void X11Selection::Disown() {
    Post({Command::DisownIt, nullptr, std::make_shared<std::promise<void>>()});
}

// ---- the selection thread ----

void X11Selection::Run() {
    ClaimManager();
    const std::uint32_t owner = Owner(a_->clipboard);
    if (owner != XCB_WINDOW_NONE && owner != win_)
        HandleOwnerNotice({owner, XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER});
    else
        knownEmpty_ = true;
    if (!initialSet_) {
        initialSet_ = true;
        initial_.set_value(lastRead_.content ? lastRead_.content : std::make_shared<ClipContent>());
    }
    while (!stop_) {
        if (pendingNotice_) {
            const OwnerNotice n = *pendingNotice_;
            pendingNotice_.reset();
            HandleOwnerNotice(n);
            continue;
        }
        if (!pendingSaves_.empty()) {
            const auto req = pendingSaves_.front();
            pendingSaves_.erase(pendingSaves_.begin());
            ServeManager(req);
            continue;
        }
        Wait(nullptr, std::chrono::milliseconds(-1));
    }
    HandOver();
}

void X11Selection::HandOver() {
    // Quitting while the clipboard is the program's: a clipboard manager that runs beside it
    // keeps a copy, as GTK and Qt programs hand theirs over, so the copy outlives the program.
    if (dead_ || !owned_ || managerOwned_) return;
    const std::uint32_t manager = Owner(a_->manager);
    if (manager == XCB_WINDOW_NONE || manager == win_ || Owner(a_->clipboard) != win_) return;
    stop_ = false; // the manager's reads are served meanwhile
    xcb_convert_selection(c_, win_, a_->manager, a_->saveTargets, XCB_ATOM_NONE, XCB_CURRENT_TIME);
    xcb_flush(c_);
    const auto answered = [this](xcb_generic_event_t* e) {
        return Type(e) == XCB_SELECTION_NOTIFY &&
               reinterpret_cast<xcb_selection_notify_event_t*>(e)->selection == a_->manager;
    };
    // A manager that stops taking a long copy, or never answers, does not hold up the exit.
    const Clock::time_point giveUp = Clock::now() + kPatienceAgain;
    for (;;) {
        if (xcb_generic_event_t* ev = Wait(answered, kPatience)) {
            std::free(ev);
            break;
        }
        if (dead_ || outgoing_.empty() || Clock::now() >= giveUp) break;
    }
    stop_ = true;
}

xcb_generic_event_t* X11Selection::Wait(const std::function<bool(xcb_generic_event_t*)>& want,
                                        std::chrono::milliseconds patience) {
    const bool limited = patience.count() >= 0;
    const Clock::time_point deadline = Clock::now() + patience;
    for (;;) {
        if (dead_) {
            RunCommands();
            if (stop_) return nullptr;
        }
        while (xcb_generic_event_t* ev = NextEvent()) {
            if (want && want(ev)) return ev;
            Dispatch(ev);
            std::free(ev);
        }
        if (xcb_connection_has_error(c_)) dead_ = true;
        RunCommands();
        if (stop_ || (want && abort_)) return nullptr;
        if (!want && (pendingNotice_ || !pendingSaves_.empty())) return nullptr;
        // Replies read meanwhile may have brought events along: they are not on the socket.
        if (xcb_generic_event_t* ev = xcb_poll_for_queued_event(c_)) {
            deferred_.push_back(ev);
            continue;
        }
        // A write of the program (a command just run) may have set some aside the same way.
        if (!deferred_.empty()) continue;

        // Sleep until the server or the window thread says something, or a deadline passes.
        Clock::time_point wakeAt = Clock::time_point::max();
        if (limited) wakeAt = deadline;
        for (const auto& [key, t] : outgoing_)
            wakeAt = std::min(wakeAt, t->deadline);
        for (const auto& [window, quietAt] : retired_)
            wakeAt = std::min(wakeAt, quietAt);
        int timeout = -1;
        if (wakeAt != Clock::time_point::max()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, left.count() + 1));
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(c_), POLLIN, 0}, {wake_, POLLIN, 0}};
        const int n = dead_ ? poll(fds + 1, 1, timeout) : poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR) dead_ = true;
        if (fds[1].revents & POLLIN) {
            std::uint64_t v;
            (void)!read(wake_, &v, sizeof v);
        }
        // A requestor that stopped taking INCR chunks is let go.
        const Clock::time_point now = Clock::now();
        for (auto it = outgoing_.begin(); it != outgoing_.end();)
            it = it->second->deadline <= now ? outgoing_.erase(it) : std::next(it);
        DropQuietReaders(now);
        if (limited && now >= deadline) return nullptr;
        if (!want && n == 0) return nullptr;
    }
}

xcb_generic_event_t* X11Selection::NextEvent() {
    if (!deferred_.empty()) {
        xcb_generic_event_t* ev = deferred_.front();
        deferred_.pop_front();
        return ev;
    }
    return xcb_poll_for_event(c_);
}

void X11Selection::SettleOwnChange() {
    // The round trip after our own change brought along every owner notice that came before it,
    // ours included: the program's own write is newer than all of them.
    pendingNotice_.reset();
    const auto drop = [this](xcb_generic_event_t* ev) {
        if (!IsClipboardNotice(ev)) return false;
        // The notice of our own change carries the time the server gave it.
        const auto* n = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(ev);
        if (owned_ && n->owner == win_) owned_->acquired = n->selection_timestamp;
        std::free(ev);
        return true;
    };
    for (auto it = deferred_.begin(); it != deferred_.end();)
        it = drop(*it) ? deferred_.erase(it) : std::next(it);
    while (xcb_generic_event_t* ev = xcb_poll_for_queued_event(c_))
        if (!drop(ev)) deferred_.push_back(ev);
}

bool X11Selection::IsClipboardNotice(xcb_generic_event_t* ev) const {
    return Type(ev) == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY &&
           reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(ev)->selection == a_->clipboard;
}

void X11Selection::RunCommands() {
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
        // A read that was under way is about a state the program has since replaced.
        if (reading_) abort_ = true;
        c.done->set_value();
    }
}

void X11Selection::Dispatch(xcb_generic_event_t* ev) {
    const std::uint8_t type = Type(ev);
    if (type == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* n = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(ev);
        if (n->selection == a_->manager) {
            if (n->owner == XCB_WINDOW_NONE) {
                ClaimManager();
            } else if (n->owner != win_) {
                otherManager_ = true;
                managerOwned_ = false;
            }
            return;
        }
        if (n->owner == win_) return; // our own ownership is never read back
        pendingNotice_ = OwnerNotice{n->owner, n->subtype};
        if (reading_) abort_ = true;
        return;
    }
    switch (type) {
    case XCB_SELECTION_REQUEST: {
        const auto& req = *reinterpret_cast<xcb_selection_request_event_t*>(ev);
        if (req.selection == a_->manager) {
            if (reading_)
                pendingSaves_.push_back(req);
            else
                ServeManager(req);
        } else {
            Serve(req);
        }
        return;
    }
    case XCB_SELECTION_CLEAR: {
        const auto* e = reinterpret_cast<xcb_selection_clear_event_t*>(ev);
        if (e->selection == a_->clipboard)
            owned_.reset();
        else if (e->selection == a_->manager)
            managerOwned_ = false;
        return;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(ev);
        if (auto r = retired_.find(e->window); r != retired_.end()) {
            // A late piece of a read given up: taken away unread, so that its owner can finish.
            if (e->state == XCB_PROPERTY_NEW_VALUE) {
                xcb_delete_property(c_, e->window, e->atom);
                xcb_flush(c_);
            }
            r->second = Clock::now() + kReaderQuiet;
            return;
        }
        if (e->state != XCB_PROPERTY_DELETE) return;
        auto it = outgoing_.find({e->window, e->atom});
        if (it == outgoing_.end()) return;
        if (it->second->finished) {
            outgoing_.erase(it);
            return;
        }
        SendIncrChunk(*it->second);
        return;
    }
    default:
        return; // errors of requests to windows that went away, and the rest
    }
}

void X11Selection::ClaimManager() {
    const std::uint32_t owner = Owner(a_->manager);
    if (owner != XCB_WINDOW_NONE && owner != win_) {
        otherManager_ = true; // another clipboard manager keeps copies: never fight it
        return;
    }
    xcb_set_selection_owner(c_, win_, a_->manager, XCB_CURRENT_TIME);
    managerOwned_ = Owner(a_->manager) == win_;
    otherManager_ = !managerOwned_;
}

void X11Selection::PostEmpty() {
    if (knownEmpty_) return; // the program already shows an empty clipboard
    knownEmpty_ = true;
    lastRead_ = {};
    deliver_(std::make_shared<ClipContent>(), processed_);
}

void X11Selection::HandleOwnerNotice(OwnerNotice n) {
    if (n.owner != XCB_WINDOW_NONE) {
        knownEmpty_ = false;
        foreignOwner_ = n.owner;
        for (std::chrono::milliseconds patience : {kPatience, kPatienceAgain}) {
            const std::uint64_t before = processed_;
            reading_ = true;
            abort_ = false;
            patience_ = patience;
            ReadResult r = ReadContent();
            reading_ = false;
            if (abort_) return; // a newer change or an own write replaced it while it was read
            if (r.whole || patience == kPatience) {
                lastRead_ = r;
                lastReadOwner_ = n.owner;
                deliver_(r.content, before);
            }
            // An owner that serves one reader at a time (xclip) may be busy with another
            // clipboard reader: the silent change counts as empty, and is asked for once more.
            if (r.whole) break;
        }
        return;
    }
    const bool ownerWentAway = n.subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
    const bool keep = ownerWentAway && !otherManager_ && lastRead_.whole && lastRead_.content &&
                      !lastRead_.content->secret && lastReadOwner_ == foreignOwner_ &&
                      foreignOwner_ != XCB_WINDOW_NONE;
    foreignOwner_ = XCB_WINDOW_NONE;
    if (keep) {
        // The copying program quit: the clipboard keeps its copy, as users expect.
        TakeOwnership(lastRead_.content);
        return;
    }
    PostEmpty();
}

std::optional<std::vector<char>> X11Selection::Fetch(std::uint32_t target, std::uint32_t* type) {
    const std::uint32_t prop = a_->property;
    xcb_delete_property(c_, reader_, prop);
    xcb_convert_selection(c_, reader_, a_->clipboard, target, prop, XCB_CURRENT_TIME);
    xcb_flush(c_);
    xcb_generic_event_t* ev = Wait(
        [this](xcb_generic_event_t* e) {
            return Type(e) == XCB_SELECTION_NOTIFY &&
                   reinterpret_cast<xcb_selection_notify_event_t*>(e)->requestor == reader_;
        },
        patience_);
    refused_ = false;
    if (!ev) return std::nullopt;
    const auto property = reinterpret_cast<xcb_selection_notify_event_t*>(ev)->property;
    std::free(ev);
    if (property == XCB_ATOM_NONE) {
        refused_ = true;
        return std::nullopt;
    }

    std::vector<char> data;
    Freed<xcb_get_property_reply_t> first(xcb_get_property_reply(
        c_, xcb_get_property(c_, 1, reader_, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
        nullptr));
    if (!first) return std::nullopt;
    if (first->type != a_->incr) {
        const int len = xcb_get_property_value_length(first.p);
        const char* v = static_cast<const char*>(xcb_get_property_value(first.p));
        data.assign(v, v + len);
        *type = first->type;
        return data;
    }
    // INCR: the owner sends chunks, each after we delete the last one; an empty one ends it.
    if (xcb_get_property_value_length(first.p) >= 4) {
        std::uint32_t hint = 0;
        std::memcpy(&hint, xcb_get_property_value(first.p), 4);
        data.reserve(std::min<std::uint32_t>(hint, 512u * 1024 * 1024));
    }
    xcb_flush(c_);
    for (;;) {
        xcb_generic_event_t* pe = Wait(
            [this, prop](xcb_generic_event_t* e) {
                if (Type(e) != XCB_PROPERTY_NOTIFY) return false;
                const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                return p->window == reader_ && p->atom == prop &&
                       p->state == XCB_PROPERTY_NEW_VALUE;
            },
            patience_);
        if (!pe) return std::nullopt;
        std::free(pe);
        Freed<xcb_get_property_reply_t> part(xcb_get_property_reply(
            c_,
            xcb_get_property(c_, 1, reader_, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, UINT32_MAX / 4),
            nullptr));
        xcb_flush(c_);
        if (!part) return std::nullopt;
        const int len = xcb_get_property_value_length(part.p);
        if (len == 0) {
            *type = part->type;
            return data;
        }
        const char* v = static_cast<const char*>(xcb_get_property_value(part.p));
        data.insert(data.end(), v, v + len);
    }
}

namespace {

// What another program offered as a picture: the picture, whole, or why there is none.
void DecodePicture(ClipContent& content, const std::vector<char>& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    if (PictureCutOff(data, qint64(bytes.size()))) {
        content.pictureProblem = QStringLiteral("The picture on the Clipboard is incomplete.");
        return;
    }
    QByteArray raw = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
    QBuffer buffer(&raw);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > X11Selection::kMaxPixels) {
        content.pictureProblem =
            QStringLiteral("The picture on the Clipboard is too large to keep (%1 x %2 "
                           "pixels; at most 8192 x 8192).")
                .arg(size.width())
                .arg(size.height());
    } else {
        QImage img;
        // A picture is taken whole or not at all: a failed read may leave half an image.
        if (!reader.read(&img)) img = QImage();
        // A 16-bit picture (PNG) is kept as an 8-bit one is, in half the memory.
        if (img.depth() > 32)
            img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32
                                                            : QImage::Format_RGB32);
        if (!img.isNull())
            content.picture = img;
        else
            content.pictureProblem = QStringLiteral("The picture on the Clipboard cannot be read.");
    }
}

} // namespace

X11Selection::ReadResult X11Selection::ReadContent() {
    reader_ = xcb_generate_id(c_);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c_, 0, reader_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    ReadResult r = ReadOffered();
    if (r.whole) {
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
    retired_[reader_] = Clock::now() + kReaderQuiet;
}

void X11Selection::DropQuietReaders(Clock::time_point now) {
    for (auto it = retired_.begin(); it != retired_.end();) {
        if (it->second > now) {
            ++it;
            continue;
        }
        xcb_destroy_window(c_, it->first);
        xcb_flush(c_);
        it = retired_.erase(it);
    }
}

X11Selection::ReadResult X11Selection::ReadOffered() {
    auto content = std::make_shared<ClipContent>();
    ReadResult r{content, false};
    std::uint32_t type = 0;
    std::vector<std::uint32_t> offered;
    if (auto t = Fetch(a_->targets, &type)) {
        offered.resize(t->size() / 4);
        std::memcpy(offered.data(), t->data(), offered.size() * 4);
    } else if (refused_) {
        // An owner that does not list its targets may still give text.
        offered = {a_->utf8, XCB_ATOM_STRING};
    } else {
        return r; // a silent owner: this change holds no text and no picture
    }
    auto has = [&](std::uint32_t atom) {
        return std::find(offered.begin(), offered.end(), atom) != offered.end();
    };

    if (has(a_->hint)) {
        auto h = Fetch(a_->hint, &type);
        if (!h && !refused_) return r;
        content->secret = h && std::string(h->begin(), h->end()) == "secret";
    }
    // The first offered target of a list that the owner gives; false when it went silent.
    const auto first = [&](const std::vector<std::uint32_t>& targets,
                           std::optional<std::vector<char>>& bytes) {
        for (const std::uint32_t target : targets) {
            if (!has(target)) continue;
            bytes = Fetch(target, &type);
            if (bytes) return true;
            if (!refused_) return false;
        }
        return true;
    };
    std::optional<std::vector<char>> bytes;
    if (!first(a_->textTargets, bytes)) return r;
    if (bytes) {
        content->hasText = true;
        if (type == XCB_ATOM_STRING)
            content->text = QString::fromLatin1(bytes->data(), qsizetype(bytes->size()));
        else
            content->text = QString::fromUtf8(bytes->data(), qsizetype(bytes->size()));
    }
    bytes.reset();
    if (!first(a_->pictureTargets, bytes)) return r;
    if (bytes) DecodePicture(*content, *bytes);
    r.whole = true;
    return r;
}

// ---- the program's own clipboard ----

void X11Selection::TakeOwnership(ContentPtr content) {
    auto served = std::make_shared<Served>();
    served->content = std::move(content);
    owned_ = served;
    xcb_set_selection_owner(c_, win_, a_->clipboard, XCB_CURRENT_TIME);
    Owner(a_->clipboard); // the round trip brings every notice before it
    SettleOwnChange();
    knownEmpty_ = false;
    foreignOwner_ = XCB_WINDOW_NONE;
    lastRead_ = {};
}

void X11Selection::GiveUpOwnership() {
    owned_.reset();
    // Whoever owns it, the clipboard holds nothing afterwards.
    xcb_set_selection_owner(c_, XCB_WINDOW_NONE, a_->clipboard, XCB_CURRENT_TIME);
    Owner(a_->clipboard); // the round trip brings every notice before it
    SettleOwnChange();
    knownEmpty_ = true;
    foreignOwner_ = XCB_WINDOW_NONE;
    lastRead_ = {};
}

void X11Selection::Reply(const xcb_selection_request_event_t& req, std::uint32_t property) {
    xcb_selection_notify_event_t n{};
    n.response_type = XCB_SELECTION_NOTIFY;
    n.time = req.time;
    n.requestor = req.requestor;
    n.selection = req.selection;
    n.target = req.target;
    n.property = property;
    xcb_send_event(c_, 0, req.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char*>(&n));
    xcb_flush(c_);
}

void X11Selection::Serve(const xcb_selection_request_event_t& req) {
    // Obsolete requestors name no property: the target's name is used then.
    const std::uint32_t property = req.property != XCB_ATOM_NONE ? req.property : req.target;
    const bool ok = req.selection == a_->clipboard && owned_ && Answer(req, property);
    Reply(req, ok ? property : std::uint32_t(XCB_ATOM_NONE));
}

bool X11Selection::Answer(const xcb_selection_request_event_t& req, std::uint32_t property) {
    Served& s = *owned_;
    const ClipContent& c = *s.content;
    const Atoms& a = *a_;
    const std::uint32_t t = req.target;
    if (t == a.targets) {
        std::vector<std::uint32_t> list = {a.targets, a.timestamp};
        if (c.hasText) list.insert(list.end(), a.textTargets.begin(), a.textTargets.end());
        if (!c.picture.isNull()) list.insert(list.end(), {a.png, a.bmp});
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(list.size()), list.data());
        return true;
    }
    if (t == a.timestamp) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, XCB_ATOM_INTEGER,
                            32, 1, &s.acquired);
        return true;
    }
    std::shared_ptr<const QByteArray> data;
    std::uint32_t type = t;
    if (c.hasText &&
        std::find(a.textTargets.begin(), a.textTargets.end(), t) != a.textTargets.end()) {
        if (t == XCB_ATOM_STRING) {
            if (!s.latin1) s.latin1 = std::make_shared<const QByteArray>(c.text.toLatin1());
            data = s.latin1;
        } else {
            if (!s.utf8) s.utf8 = std::make_shared<const QByteArray>(c.text.toUtf8());
            data = s.utf8;
            if (t == a.text) type = a.utf8;
        }
    } else if (!c.picture.isNull() && (t == a.png || t == a.bmp)) {
        auto& cache = t == a.png ? s.png : s.bmp;
        if (!cache) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter w(&buffer, t == a.png ? "png" : "bmp");
            if (t == a.png) w.setCompression(1); // fast: the reader wants it now
            if (!w.write(c.picture)) return false;
            cache = std::make_shared<const QByteArray>(std::move(bytes));
        }
        data = cache;
    } else {
        return false;
    }
    if (static_cast<std::size_t>(data->size()) <= chunk_) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, type, 8,
                            static_cast<std::uint32_t>(data->size()), data->constData());
        return true;
    }
    // Too large for one request: INCR, one chunk each time the requestor deletes the last.
    auto out = std::make_unique<Outgoing>();
    out->requestor = req.requestor;
    out->property = property;
    out->type = type;
    out->data = data;
    out->deadline = Clock::now() + kPatience * 2;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c_, req.requestor, XCB_CW_EVENT_MASK, &mask);
    const std::uint32_t size = static_cast<std::uint32_t>(
        std::min<qsizetype>(data->size(), std::numeric_limits<std::int32_t>::max()));
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, a.incr, 32, 1, &size);
    outgoing_[{req.requestor, property}] = std::move(out);
    return true;
}

void X11Selection::SendIncrChunk(Outgoing& t) {
    const qsizetype left = t.data->size() - t.offset;
    const auto n = static_cast<std::uint32_t>(std::min<qsizetype>(left, qsizetype(chunk_)));
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type, 8, n,
                        t.data->constData() + t.offset);
    t.offset += n;
    if (n == 0) t.finished = true; // the empty chunk that ends the transfer has gone
    t.deadline = Clock::now() + kPatience * 2;
    xcb_flush(c_);
}

void X11Selection::ServeManager(const xcb_selection_request_event_t& req) {
    const Atoms& a = *a_;
    const std::uint32_t property = req.property != XCB_ATOM_NONE ? req.property : req.target;
    if (!managerOwned_) {
        Reply(req, XCB_ATOM_NONE);
        return;
    }
    if (req.target == a.targets) {
        const std::uint32_t list[] = {a.targets, a.saveTargets};
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, XCB_ATOM_ATOM, 32,
                            2, list);
        Reply(req, property);
        return;
    }
    if (req.target != a.saveTargets) {
        Reply(req, XCB_ATOM_NONE);
        return;
    }
    // A program about to quit hands its clipboard over: keep a copy, as the clipboard would.
    const std::uint32_t owner = Owner(a.clipboard);
    if (owner == XCB_WINDOW_NONE || owner == win_) {
        Reply(req, property);
        return;
    }
    ReadResult r = lastRead_;
    if (!(r.whole && lastReadOwner_ == owner)) {
        const std::uint64_t before = processed_;
        reading_ = true;
        abort_ = false;
        patience_ = kPatience;
        r = ReadContent();
        reading_ = false;
        if (abort_ || !r.whole) {
            Reply(req, XCB_ATOM_NONE);
            return;
        }
        deliver_(r.content, before);
    }
    if (!r.content || r.content->secret) {
        Reply(req, XCB_ATOM_NONE);
        return;
    }
    TakeOwnership(r.content);
    Reply(req, property);
}

} // namespace quorrel
