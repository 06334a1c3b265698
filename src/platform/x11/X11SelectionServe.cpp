// Serving what the program put on the clipboard: TARGETS, TIMESTAMP, its text and picture
// targets, in INCR pieces when one request cannot hold them.
#include "X11SelectionParts.h"

#include <algorithm>
#include <limits>

namespace quorrel {

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
    if (!ok)
        qCDebug(lcClipboard) << "refused a request of" << req.requestor << "for target"
                             << req.target << (owned_ ? "" : "(the clipboard is not ours)");
    Reply(req, ok ? property : std::uint32_t(XCB_ATOM_NONE));
}

bool X11Selection::Answer(const xcb_selection_request_event_t& req, std::uint32_t property) {
    Served& s = *owned_;
    const Atoms& a = *a_;
    const std::uint32_t t = req.target;
    if (t == a.targets) {
        std::vector<std::uint32_t> list = {a.targets, a.timestamp};
        for (const QByteArray& name : s.encodings.Targets())
            for (const auto& [atom, known] : a.names)
                if (known == name) list.push_back(atom);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(list.size()), list.data());
        return true;
    }
    if (t == a.timestamp) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, XCB_ATOM_INTEGER,
                            32, 1, &s.acquired);
        return true;
    }
    const QByteArray name = a.NameOf(t);
    if (name.isEmpty()) return false;
    const clip::Encodings::Bytes bytes = s.encodings.For(name);
    if (!bytes.data) return false;
    const std::shared_ptr<const QByteArray>& data = bytes.data;
    const std::uint32_t type = bytes.type == name ? t : a.utf8; // TEXT is answered as UTF-8
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
    out->deadline = Clock::now() + clip::kPatience * 2;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c_, req.requestor, XCB_CW_EVENT_MASK, &mask);
    const std::uint32_t size = static_cast<std::uint32_t>(
        std::min<qsizetype>(data->size(), std::numeric_limits<std::int32_t>::max()));
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, req.requestor, property, a.incr, 32, 1, &size);
    outgoing_[{req.requestor, property}] = std::move(out);
    return true;
}

bool X11Selection::SendNextChunk(const xcb_property_notify_event_t& e) {
    if (e.state != XCB_PROPERTY_DELETE) return false;
    const auto it = outgoing_.find({e.window, e.atom});
    if (it == outgoing_.end()) return false;
    if (it->second->finished)
        outgoing_.erase(it);
    else
        SendIncrChunk(*it->second);
    return true;
}

void X11Selection::SendIncrChunk(Outgoing& t) {
    const qsizetype left = t.data->size() - t.offset;
    const auto n = static_cast<std::uint32_t>(std::min<qsizetype>(left, qsizetype(chunk_)));
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, t.requestor, t.property, t.type, 8, n,
                        t.data->constData() + t.offset);
    t.offset += n;
    if (n == 0) t.finished = true; // the empty chunk that ends the transfer has gone
    t.deadline = Clock::now() + clip::kPatience * 2;
    xcb_flush(c_);
}

} // namespace quorrel
