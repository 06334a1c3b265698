#pragma once
#include "platform/HotKey.h"
#include "platform/HotKeyChord.h"

#include <memory>

struct xcb_connection_t;
class QSocketNotifier;

namespace quorrel {

// The hot key on an X server: raw key events of the whole keyboard (XInput 2), read on a
// connection of its own whenever the server sends some, so that nothing wakes the program
// while no key is pressed. Follows keymap changes (setxkbmap, xmodmap, a layout switcher).
class X11HotKey : public HotKey {
    Q_OBJECT
  public:
    // nullptr when there is no X server to ask or it has no XInput 2.
    static std::unique_ptr<X11HotKey> Connect();
    ~X11HotKey() override;
    bool IsLive() const override { return live_; }

  private:
    X11HotKey(xcb_connection_t* c, std::uint8_t xinput);
    void ReadEvents();
    void ReadKeymap();
    xcb_connection_t* c_;
    std::uint8_t xinput_; // the extension's major opcode, which its events carry
    bool live_ = true;
    QSocketNotifier* notifier_ = nullptr;
    HotKeyChord chord_;
};

} // namespace quorrel
