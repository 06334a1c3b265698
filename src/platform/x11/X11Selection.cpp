#include "X11SelectionParts.h"

#include <xcb/xfixes.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace quorrel {

std::unique_ptr<X11Selection> X11Selection::Open(const char* display, Deliver deliver,
                                                 qint64 maxTextBytes) {
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display, &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        qCWarning(lcClipboard) << "no X display: the clipboard is not watched";
        if (c) xcb_disconnect(c);
        return nullptr;
    }
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!fixes || !fixes->present) {
        qCWarning(lcClipboard) << "the X server has no XFixes: the clipboard is not watched";
        xcb_disconnect(c);
        return nullptr;
    }
    Freed<xcb_xfixes_query_version_reply_t> v(
        xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));

    std::unique_ptr<X11Selection> s(new X11Selection);
    s->c_ = c;
    s->deliver_ = std::move(deliver);
    s->maxText_ = maxTextBytes;
    s->fixesEvent_ = fixes->first_event;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    s->root_ = it.data->root;

    // Requests and replies bigger than this are sent in INCR chunks.
    const std::uint32_t maxRequest = xcb_get_maximum_request_length(c) * 4;
    s->chunk_ = std::min<std::size_t>(256 * 1024, maxRequest > 4096 ? maxRequest - 1024 : 4096);

    // The names are all asked for before the first answer is read: one round trip to the
    // server instead of one for each of two dozen names.
    const char* const fixed[] = {
        "CLIPBOARD",    "TARGETS",           "TIMESTAMP",         "MULTIPLE",
        "INCR",         "UTF8_STRING",       clip::kPasswordHint, "CLIPBOARD_MANAGER",
        "SAVE_TARGETS", "QUORREL_SELECTION", "ATOM_PAIR",         "QUORREL_TIME"};
    std::vector<QByteArray> names(std::begin(fixed), std::end(fixed));
    names.insert(names.end(), clip::TextTargets().begin(), clip::TextTargets().end());
    names.insert(names.end(), clip::PictureTargets().begin(), clip::PictureTargets().end());
    std::vector<xcb_intern_atom_cookie_t> asked;
    asked.reserve(names.size());
    for (const QByteArray& n : names)
        asked.push_back(xcb_intern_atom(c, 0, static_cast<std::uint16_t>(n.size()), n.constData()));
    std::vector<std::uint32_t> atoms;
    atoms.reserve(names.size());
    for (xcb_intern_atom_cookie_t cookie : asked) {
        Freed<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, cookie, nullptr));
        atoms.push_back(r ? r->atom : std::uint32_t(XCB_ATOM_NONE));
    }

    auto& a = *(s->a_ = std::make_unique<Atoms>());
    std::size_t i = 0;
    for (std::uint32_t* atom :
         {&a.clipboard, &a.targets, &a.timestamp, &a.multiple, &a.incr, &a.utf8, &a.hint,
          &a.manager, &a.saveTargets, &a.property, &a.atomPair, &a.time})
        *atom = atoms[i++];
    for (const QByteArray& n : clip::TextTargets()) {
        const std::uint32_t atom = n == "STRING" ? std::uint32_t(XCB_ATOM_STRING) : atoms[i];
        ++i;
        a.textTargets.push_back(atom);
        a.names[atom] = n;
    }
    for (const QByteArray& n : clip::PictureTargets()) {
        a.pictureTargets.push_back(atoms[i++]);
        a.names[a.pictureTargets.back()] = n;
    }

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

    if (!s->commands_.Open()) return nullptr;
    s->thread_ = std::thread([p = s.get()] { p->Run(); });
    return s;
}

X11Selection::~X11Selection() {
    if (thread_.joinable()) {
        Post(Command::Stop);
        thread_.join();
    }
    for (xcb_generic_event_t* ev : deferred_)
        std::free(ev);
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

std::uint32_t X11Selection::ServerTime() {
    // A property change is stamped with the server's time; an empty append changes nothing else.
    xcb_change_property(c_, XCB_PROP_MODE_APPEND, win_, a_->time, XCB_ATOM_STRING, 8, 0, nullptr);
    Freed<xcb_get_input_focus_reply_t> r(
        xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    // Its notice came before the reply, so it is among the events read along with it.
    std::uint32_t time = XCB_CURRENT_TIME;
    while (xcb_generic_event_t* ev = xcb_poll_for_queued_event(c_)) {
        const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(ev);
        if (EventType(ev) == XCB_PROPERTY_NOTIFY && p->window == win_ && p->atom == a_->time) {
            time = p->time;
            std::free(ev);
        } else {
            deferred_.push_back(ev);
        }
    }
    return time;
}

ContentPtr X11Selection::Initial(std::chrono::milliseconds limit) {
    auto f = initial_.get_future();
    if (f.wait_for(limit) != std::future_status::ready) return nullptr;
    return f.get();
}

void X11Selection::Post(Command::Kind kind, ContentPtr content) {
    if (!commands_.Post(kind, std::move(content)))
        qCWarning(lcClipboard) << "the clipboard thread did not answer within 2 s";
}

void X11Selection::Own(ContentPtr content) {
    Post(Command::OwnIt, std::move(content));
}

void X11Selection::Disown() {
    Post(Command::DisownIt);
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
        if (!dead_ && xcb_connection_has_error(c_)) {
            qCWarning(lcClipboard) << "the connection to the X server broke";
            dead_ = true;
        }
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
        for (const auto& [window, r] : retired_)
            wakeAt = std::min(wakeAt, r.quietAt);
        int timeout = -1;
        if (wakeAt != Clock::time_point::max()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(wakeAt - Clock::now());
            timeout = static_cast<int>(std::max<std::int64_t>(0, left.count() + 1));
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(c_), POLLIN, 0}, {commands_.WakeFd(), POLLIN, 0}};
        const int n = dead_ ? poll(fds + 1, 1, timeout) : poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR) dead_ = true;
        // A requestor that stopped taking INCR chunks is let go.
        const Clock::time_point now = Clock::now();
        for (auto it = outgoing_.begin(); it != outgoing_.end();) {
            if (it->second->deadline > now) {
                ++it;
                continue;
            }
            qCDebug(lcClipboard) << "a paste in pieces stopped taking them: given up at"
                                 << it->second->offset << "of" << it->second->data->size()
                                 << "bytes";
            it = outgoing_.erase(it);
        }
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

bool X11Selection::IsClipboardNotice(xcb_generic_event_t* ev) const {
    return EventType(ev) == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY &&
           reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(ev)->selection == a_->clipboard;
}

void X11Selection::RunCommands() {
    for (Command& c : commands_.Take()) {
        switch (c.kind) {
        case Command::OwnIt:
            TakeOwnership(c.content, ServerTime());
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
    const std::uint8_t type = EventType(ev);
    if (type == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* n = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(ev);
        if (n->selection == a_->manager) {
            if (n->owner == XCB_WINDOW_NONE) {
                ClaimManager();
            } else if (n->owner != win_) {
                qCDebug(lcClipboard) << "another clipboard manager took over:" << n->owner;
                otherManager_ = true;
                managerOwned_ = false;
            }
            return;
        }
        if (n->owner == win_) return; // our own ownership is never read back
        qCDebug(lcClipboard) << "clipboard owner" << n->owner << "change" << n->subtype << "at"
                             << n->timestamp;
        pendingNotice_ = OwnerNotice{n->owner, n->subtype, n->timestamp, n->selection_timestamp};
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
        const auto& e = *reinterpret_cast<xcb_selection_clear_event_t*>(ev);
        if (e.selection == a_->clipboard) {
            LoseOwnership(e);
        } else if (e.selection == a_->manager) {
            qCDebug(lcClipboard) << "lost CLIPBOARD_MANAGER";
            managerOwned_ = false;
        }
        return;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto& e = *reinterpret_cast<xcb_property_notify_event_t*>(ev);
        if (!TakeRetiredPiece(e)) SendNextChunk(e);
        return;
    }
    default:
        return; // errors of requests to windows that went away, and the rest
    }
}

} // namespace quorrel
