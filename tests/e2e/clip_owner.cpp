// A clipboard owner for the end-to-end tests, doing what real programs do badly or specially:
//   clip_owner hang            owns CLIPBOARD and never answers a request
//   clip_owner secret TEXT     offers TEXT marked as a password (x-kde-passwordManagerHint)
//   clip_owner only TARGET TEXT  offers TEXT under one target only
//   clip_owner clear           clears the clipboard on purpose (as a password manager does)
//   clip_owner busy MS TEXT    drops every request of its first MS milliseconds, as xclip does
//                              while it serves another reader, then offers TEXT
//   clip_owner manager         a clipboard manager: holds CLIPBOARD_MANAGER, and asked to save
//                              the clipboard (SAVE_TARGETS) takes it over with its text
//   clip_owner stream MB       offers text sent in INCR pieces of 256 KB, MB megabytes of it, or
//                              without end for 0, until the reader stops taking pieces
//   clip_owner handoff A B US  program A copies A; at a line on stdin A quits and program B
//                              copies B US microseconds later (two connections), then serves B
// It prints "ready" once it owns the clipboard and runs until it is ended (by PID) or loses
// ownership.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

// Owns CLIPBOARD on a window of its own: the window, or 0 when another owner was there first.
xcb_window_t Own(xcb_connection_t* c, xcb_atom_t clipboard) {
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, w, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* o =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
    const bool owns = o && o->owner == w;
    std::free(o);
    return owns ? w : 0;
}

// Answers the requests waiting on `c` with TARGETS and UTF8_STRING; false once it lost the
// clipboard.
bool ServeText(xcb_connection_t* c, const std::string& text) {
    const xcb_atom_t targets = Atom(c, "TARGETS"), utf8 = Atom(c, "UTF8_STRING");
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
        const uint8_t type = ev->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) {
            std::free(ev);
            return false;
        }
        if (type == XCB_SELECTION_REQUEST) {
            auto* req = reinterpret_cast<xcb_selection_request_event_t*>(ev);
            xcb_atom_t property = req->property ? req->property : req->target;
            const xcb_atom_t list[] = {targets, utf8};
            if (req->target == targets)
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, property,
                                    XCB_ATOM_ATOM, 32, 2, list);
            else if (req->target == utf8)
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, property, utf8, 8,
                                    static_cast<uint32_t>(text.size()), text.data());
            else
                property = XCB_NONE;
            xcb_selection_notify_event_t n{};
            n.response_type = XCB_SELECTION_NOTIFY;
            n.time = req->time;
            n.requestor = req->requestor;
            n.selection = req->selection;
            n.target = req->target;
            n.property = property;
            xcb_send_event(c, 0, req->requestor, 0, reinterpret_cast<const char*>(&n));
            xcb_flush(c);
        }
        std::free(ev);
    }
    return !xcb_connection_has_error(c);
}

int Stream(long long megabytes) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    const xcb_atom_t clipboard = Atom(c, "CLIPBOARD"), targets = Atom(c, "TARGETS"),
                     utf8 = Atom(c, "UTF8_STRING"), incr = Atom(c, "INCR");
    if (!Own(c, clipboard)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    const std::string piece(256 * 1024, 'x');
    const long long pieces = megabytes * 4; // 0: without end
    xcb_window_t requestor = 0;
    xcb_atom_t property = 0;
    long long sent = 0;
    while (xcb_generic_event_t* ev = xcb_wait_for_event(c)) {
        const uint8_t type = ev->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR) break;
        if (type == XCB_SELECTION_REQUEST) {
            auto* req = reinterpret_cast<xcb_selection_request_event_t*>(ev);
            xcb_atom_t p = req->property ? req->property : req->target;
            if (req->target == targets) {
                const xcb_atom_t list[] = {targets, utf8};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, p, XCB_ATOM_ATOM, 32,
                                    2, list);
            } else if (req->target == utf8 && requestor == 0) {
                // A lower bound of the size, as INCR allows: the stream itself says how long.
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE, bound = 1;
                xcb_change_window_attributes(c, req->requestor, XCB_CW_EVENT_MASK, &mask);
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, p, incr, 32, 1,
                                    &bound);
                requestor = req->requestor;
                property = p;
            } else {
                p = XCB_NONE;
            }
            xcb_selection_notify_event_t n{};
            n.response_type = XCB_SELECTION_NOTIFY;
            n.time = req->time;
            n.requestor = req->requestor;
            n.selection = req->selection;
            n.target = req->target;
            n.property = p;
            xcb_send_event(c, 0, req->requestor, 0, reinterpret_cast<const char*>(&n));
        } else if (type == XCB_PROPERTY_NOTIFY) {
            auto* e = reinterpret_cast<xcb_property_notify_event_t*>(ev);
            if (e->window == requestor && e->atom == property && e->state == XCB_PROPERTY_DELETE) {
                const bool last = pieces > 0 && sent == pieces;
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, utf8, 8,
                                    last ? 0 : static_cast<uint32_t>(piece.size()), piece.data());
                if (last) requestor = 0;
                ++sent;
            }
        }
        xcb_flush(c);
        std::free(ev);
    }
    xcb_disconnect(c);
    return 0;
}

int HandOff(const std::string& first, const std::string& second, int delayUs) {
    xcb_connection_t* a = xcb_connect(nullptr, nullptr);
    xcb_connection_t* b = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(a) || xcb_connection_has_error(b)) return 1;
    const xcb_atom_t clipboard = Atom(a, "CLIPBOARD");
    Atom(b, "TARGETS"); // B's atoms are ready before the moment counts
    Atom(b, "UTF8_STRING");
    if (!Own(a, clipboard)) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    // Requests already read along with a reply are not on the socket: answered before each wait.
    for (;;) {
        if (!ServeText(a, first)) return 1;
        pollfd fds[2] = {{xcb_get_file_descriptor(a), POLLIN, 0}, {0, POLLIN, 0}};
        poll(fds, 2, -1);
        if (fds[1].revents & (POLLIN | POLLHUP)) break;
    }
    char line[64];
    if (!std::fgets(line, sizeof line, stdin)) return 1;
    xcb_disconnect(a);
    if (delayUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
    if (!Own(b, clipboard)) return 1;
    for (;;) {
        if (!ServeText(b, second)) return 0;
        pollfd fd{xcb_get_file_descriptor(b), POLLIN, 0};
        poll(&fd, 1, -1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string mode = argv[1];
    if (mode == "stream" && argc > 2) return Stream(std::atoll(argv[2]));
    if (mode == "handoff" && argc > 4) return HandOff(argv[2], argv[3], std::atoi(argv[4]));
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t clipboard = Atom(c, "CLIPBOARD");
    if (mode == "clear") {
        xcb_set_selection_owner(c, XCB_NONE, clipboard, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t* r =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), nullptr);
        std::free(r);
        xcb_disconnect(c);
        return 0;
    }
    const xcb_atom_t targets = Atom(c, "TARGETS");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    const xcb_atom_t hint = Atom(c, "x-kde-passwordManagerHint");
    std::string text;
    std::vector<xcb_atom_t> offered{targets};
    std::chrono::milliseconds busyFor{0};
    if (mode == "secret" && argc > 2) {
        text = argv[2];
        offered.push_back(utf8);
        offered.push_back(hint);
    } else if (mode == "only" && argc > 3) {
        offered.push_back(std::strcmp(argv[2], "STRING") == 0 ? xcb_atom_t(XCB_ATOM_STRING)
                                                              : Atom(c, argv[2]));
        text = argv[3];
    } else if (mode == "busy" && argc > 3) {
        busyFor = std::chrono::milliseconds(std::atoi(argv[2]));
        text = argv[3];
        offered.push_back(utf8);
    } else if (mode == "manager") {
        offered.push_back(utf8);
    } else if (mode != "hang") {
        return 2;
    }
    const xcb_atom_t manager = Atom(c, "CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = Atom(c, "SAVE_TARGETS");
    const xcb_atom_t held = mode == "manager" ? manager : clipboard;

    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(c, w, held, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* o =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, held), nullptr);
    const bool owns = o && o->owner == w;
    std::free(o);
    if (!owns) return 1;
    const auto start = std::chrono::steady_clock::now();
    std::printf("ready\n");
    std::fflush(stdout);

    while (xcb_generic_event_t* ev = xcb_wait_for_event(c)) {
        const uint8_t type = ev->response_type & 0x7f;
        if (type == XCB_SELECTION_CLEAR &&
            reinterpret_cast<xcb_selection_clear_event_t*>(ev)->selection == held)
            break;
        const bool busy = std::chrono::steady_clock::now() - start < busyFor;
        if (type == XCB_SELECTION_REQUEST && mode != "hang" && !busy) {
            auto* req = reinterpret_cast<xcb_selection_request_event_t*>(ev);
            xcb_atom_t property = req->property ? req->property : req->target;
            if (req->selection == manager) {
                // A program about to quit: its text is read and the clipboard kept with it.
                property = req->target == saveTargets ? property : XCB_NONE;
                if (property != XCB_NONE) {
                    xcb_convert_selection(c, w, clipboard, utf8, utf8, XCB_CURRENT_TIME);
                    xcb_flush(c);
                    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
                        const bool notified = (e->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
                        std::free(e);
                        if (notified) break;
                    }
                    xcb_get_property_reply_t* p = xcb_get_property_reply(
                        c, xcb_get_property(c, 1, w, utf8, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
                        nullptr);
                    if (p)
                        text.assign(static_cast<const char*>(xcb_get_property_value(p)),
                                    xcb_get_property_value_length(p));
                    std::free(p);
                    xcb_set_selection_owner(c, w, clipboard, XCB_CURRENT_TIME);
                    std::printf("saved\n");
                    std::fflush(stdout);
                }
            } else if (req->target == targets) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, property,
                                    XCB_ATOM_ATOM, 32, static_cast<uint32_t>(offered.size()),
                                    offered.data());
            } else if (req->target == hint) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, property,
                                    XCB_ATOM_STRING, 8, 6, "secret");
            } else if (req->target == offered[1]) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, req->requestor, property, req->target,
                                    8, static_cast<uint32_t>(text.size()), text.data());
            } else {
                property = XCB_NONE;
            }
            xcb_selection_notify_event_t n{};
            n.response_type = XCB_SELECTION_NOTIFY;
            n.time = req->time;
            n.requestor = req->requestor;
            n.selection = req->selection;
            n.target = req->target;
            n.property = property;
            xcb_send_event(c, 0, req->requestor, 0, reinterpret_cast<const char*>(&n));
            xcb_flush(c);
        }
        std::free(ev);
    }
    xcb_disconnect(c);
    return 0;
}
