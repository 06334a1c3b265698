// Taking and giving up the clipboard, keeping the copy of a program that quit, and the clipboard
// manager's handover both ways. Every change of owner is stamped with a server time, never
// CurrentTime: a take-over that comes later than another program's copy then loses to it, as it
// should, instead of replacing it.
#include "X11SelectionParts.h"

#include <xcb/xfixes.h>

namespace quorrel {

bool X11Selection::TakeOwnership(ContentPtr content, std::uint32_t time) {
    auto served = std::make_shared<Served>(Served{clip::Encodings(std::move(content)), time});
    owned_ = served;
    xcb_set_selection_owner(c_, win_, a_->clipboard, time);
    const std::uint32_t owner =
        Owner(a_->clipboard); // the round trip brings every notice before it
    SettleOwnChange(win_, time);
    knownEmpty_ = false;
    foreignOwner_ = XCB_WINDOW_NONE;
    lastRead_ = {};
    if (owner == win_) {
        qCDebug(lcClipboard) << "took the clipboard at" << served->acquired;
        return true;
    }
    // A newer copy of another program: it stays, and is read.
    qCDebug(lcClipboard) << "taking the clipboard at" << time << "lost to the newer owner" << owner;
    owned_.reset();
    return false;
}

void X11Selection::GiveUpOwnership() {
    owned_.reset();
    // Whoever owns it, the clipboard holds nothing afterwards.
    const std::uint32_t time = ServerTime();
    xcb_set_selection_owner(c_, XCB_WINDOW_NONE, a_->clipboard, time);
    Owner(a_->clipboard); // the round trip brings every notice before it
    SettleOwnChange(XCB_WINDOW_NONE, time);
    knownEmpty_ = true;
    foreignOwner_ = XCB_WINDOW_NONE;
    lastRead_ = {};
    qCDebug(lcClipboard) << "emptied the clipboard at" << time;
}

void X11Selection::SettleOwnChange(std::uint32_t owner, std::uint32_t time) {
    // The round trip after our own change brought along every owner notice up to it. Those before
    // the notice of our change are older than it and are dropped; those after it are other
    // programs' newer copies and are read. Without a notice of ours the change did not happen (a
    // newer owner was there first): every notice stays.
    std::deque<xcb_generic_event_t*> events;
    events.swap(deferred_);
    while (xcb_generic_event_t* ev = xcb_poll_for_queued_event(c_))
        events.push_back(ev);
    std::ptrdiff_t ours = -1;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (!IsClipboardNotice(events[i])) continue;
        const auto* n = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(events[i]);
        if (n->owner == owner && n->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER &&
            (time == XCB_CURRENT_TIME || n->selection_timestamp == time)) {
            ours = std::ptrdiff_t(i);
            // The notice of our own change carries the time the server gave it.
            if (owned_ && owner == win_) owned_->acquired = n->selection_timestamp;
        }
    }
    if (ours >= 0) pendingNotice_.reset();
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (std::ptrdiff_t(i) <= ours && IsClipboardNotice(events[i]))
            std::free(events[i]);
        else
            deferred_.push_back(events[i]);
    }
}

void X11Selection::LoseOwnership(const xcb_selection_clear_event_t& e) {
    if (!owned_) return;
    // A notice about an owner older than our taking the clipboard came late: it is still ours.
    // Within one millisecond the times cannot tell, and the server is asked.
    if (TimeBefore(e.time, owned_->acquired) ||
        (e.time == owned_->acquired && Owner(a_->clipboard) == win_)) {
        qCDebug(lcClipboard) << "a late SelectionClear of" << e.time << "left alone: ours since"
                             << owned_->acquired;
        return;
    }
    qCDebug(lcClipboard) << "another program took the clipboard at" << e.time;
    owned_.reset();
}

void X11Selection::KeepOrEmpty(const OwnerNotice& n) {
    const bool ownerWentAway = n.subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
    const bool keep =
        ownerWentAway && lastReadOwner_ == foreignOwner_ && foreignOwner_ != XCB_WINDOW_NONE &&
        clip::KeepWhenOwnerQuits(lastRead_.content.get(), lastRead_.whole, otherManager_);
    foreignOwner_ = XCB_WINDOW_NONE;
    if (!keep) {
        PostEmpty();
        return;
    }
    // The copying program quit: the clipboard keeps its copy, as users expect. It is taken as of
    // the moment the owner went away, so that a program that copied since keeps the clipboard.
    // Server times count milliseconds: a copy made in the very millisecond the owner went away
    // has that time too, and the take-over is stamped one earlier, when the owner's own time
    // allows it.
    std::uint32_t time = n.time;
    if (time == XCB_CURRENT_TIME)
        time = ServerTime();
    else if (TimeBefore(n.since, time))
        time -= 1;
    if (!TakeOwnership(lastRead_.content, time))
        qCDebug(lcClipboard) << "the copy of owner" << n.owner << "was not kept: a newer one came";
}

void X11Selection::ClaimManager() {
    const std::uint32_t owner = Owner(a_->manager);
    if (owner != XCB_WINDOW_NONE && owner != win_) {
        otherManager_ = true; // another clipboard manager keeps copies: never fight it
        return;
    }
    xcb_set_selection_owner(c_, win_, a_->manager, ServerTime());
    managerOwned_ = Owner(a_->manager) == win_;
    otherManager_ = !managerOwned_;
    qCDebug(lcClipboard) << (managerOwned_ ? "took CLIPBOARD_MANAGER" : "another manager runs");
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
        patience_ = clip::kPatience;
        r = ReadContent();
        reading_ = false;
        if (abort_ || !r.whole) {
            qCWarning(lcClipboard) << "the handover of" << owner << "could not be read";
            Reply(req, XCB_ATOM_NONE);
            return;
        }
        deliver_(r.content, before);
    }
    if (!clip::MayHandOver(r.content.get())) {
        Reply(req, XCB_ATOM_NONE);
        return;
    }
    // As of the request: a program that copied after it keeps the clipboard.
    TakeOwnership(r.content, req.time != XCB_CURRENT_TIME ? req.time : ServerTime());
    Reply(req, property);
}

void X11Selection::HandOver() {
    // Quitting while the clipboard is the program's: a clipboard manager that runs beside it
    // keeps a copy, as GTK and Qt programs hand theirs over, so the copy outlives the program.
    if (dead_ || !owned_ || managerOwned_) return;
    const std::uint32_t manager = Owner(a_->manager);
    if (manager == XCB_WINDOW_NONE || manager == win_ || Owner(a_->clipboard) != win_) return;
    stop_ = false; // the manager's reads are served meanwhile
    qCDebug(lcClipboard) << "handing the clipboard to the clipboard manager" << manager;
    xcb_convert_selection(c_, win_, a_->manager, a_->saveTargets, XCB_ATOM_NONE, ServerTime());
    xcb_flush(c_);
    const auto answered = [this](xcb_generic_event_t* e) {
        return EventType(e) == XCB_SELECTION_NOTIFY &&
               reinterpret_cast<xcb_selection_notify_event_t*>(e)->selection == a_->manager;
    };
    // A manager that stops taking a long copy, or never answers, does not hold up the exit.
    const Clock::time_point giveUp = Clock::now() + clip::kPatienceAgain;
    for (;;) {
        if (xcb_generic_event_t* ev = Wait(answered, clip::kPatience)) {
            std::free(ev);
            break;
        }
        if (dead_ || outgoing_.empty() || Clock::now() >= giveUp) {
            qCWarning(lcClipboard) << "the clipboard manager did not take the clipboard";
            break;
        }
    }
    stop_ = true;
}

} // namespace quorrel
