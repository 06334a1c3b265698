#include "X11HotKey.h"
#include "XcbFreed.h"

#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xinput.h>

#include <cstdlib>
#include <vector>

namespace quorrel {

namespace {

constexpr xcb_keysym_t kSuperL = 0xffeb, kAltL = 0xffe9, kAltR = 0xffea;

} // namespace

std::unique_ptr<X11HotKey> X11HotKey::Connect() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    Freed<xcb_input_xi_query_version_reply_t> version(
        ext && ext->present
            ? xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr)
            : nullptr);
    // Raw events reach a client whatever other client holds a grab from XInput 2.1 on.
    if (!version || version->major_version < 2 ||
        (version->major_version == 2 && version->minor_version < 1)) {
        xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11HotKey>(new X11HotKey(c, ext->major_opcode));
}

X11HotKey::X11HotKey(xcb_connection_t* c, std::uint8_t xinput) : c_(c), xinput_(xinput) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    struct {
        xcb_input_event_mask_t head;
        std::uint32_t bits;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
           XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    xcb_input_xi_select_events(c_, root, 1, &mask.head);
    // The keys are read after the events are chosen, so that no press falls between the two.
    ReadKeymap();
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(c_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11HotKey::ReadEvents);
    ReadEvents(); // what came with the replies
}

X11HotKey::~X11HotKey() {
    delete notifier_;
    xcb_disconnect(c_);
}

void X11HotKey::ReadKeymap() {
    const xcb_setup_t* setup = xcb_get_setup(c_);
    const int first = setup->min_keycode, count = setup->max_keycode - setup->min_keycode + 1;
    const xcb_get_keyboard_mapping_cookie_t mapCookie =
        xcb_get_keyboard_mapping(c_, setup->min_keycode, count);
    const xcb_query_keymap_cookie_t downCookie = xcb_query_keymap(c_);
    Freed<xcb_get_keyboard_mapping_reply_t> map(
        xcb_get_keyboard_mapping_reply(c_, mapCookie, nullptr));
    Freed<xcb_query_keymap_reply_t> down(xcb_query_keymap_reply(c_, downCookie, nullptr));
    if (!map || !down) return;
    // Every key that has the key symbol on any level counts, as XKeysymToKeycode finds them.
    std::vector<std::uint8_t> super, alt;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
    const int per = map->keysyms_per_keycode;
    for (int k = 0; k < count; ++k)
        for (int i = 0; i < per; ++i) {
            const xcb_keysym_t s = syms[k * per + i];
            if (s == kSuperL) super.push_back(static_cast<std::uint8_t>(first + k));
            if (s == kAltL || s == kAltR) alt.push_back(static_cast<std::uint8_t>(first + k));
        }
    std::bitset<256> held;
    for (int code = 0; code < 256; ++code)
        if (down->keys[code / 8] & (1 << (code % 8))) held.set(code);
    chord_.SetDown(held);
    chord_.SetKeys(super, alt);
}

void X11HotKey::ReadEvents() {
    while (xcb_generic_event_t* ev = xcb_poll_for_event(c_)) {
        Freed<xcb_generic_event_t> owned(ev);
        const std::uint8_t type = ev->response_type & 0x7f;
        if (type == XCB_MAPPING_NOTIFY) {
            // Sent to every client that does not speak XKB, after setxkbmap and xmodmap alike.
            if (reinterpret_cast<xcb_mapping_notify_event_t*>(ev)->request == XCB_MAPPING_KEYBOARD)
                ReadKeymap();
        } else if (type == XCB_GE_GENERIC) {
            auto* ge = reinterpret_cast<xcb_ge_generic_event_t*>(ev);
            if (ge->extension != xinput_) continue;
            const auto* key = reinterpret_cast<xcb_input_raw_key_press_event_t*>(ev);
            const auto code = static_cast<std::uint8_t>(key->detail);
            if (ge->event_type == XCB_INPUT_RAW_KEY_PRESS) {
                if (chord_.Press(code)) emit Pressed();
            } else if (ge->event_type == XCB_INPUT_RAW_KEY_RELEASE) {
                chord_.Release(code);
            }
        }
    }
    if (xcb_connection_has_error(c_)) {
        // The server went away; the program's own connection ends the program with it.
        notifier_->setEnabled(false);
        live_ = false;
    }
}

} // namespace quorrel
