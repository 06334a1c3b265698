#pragma once
// When the hot key fires, from the keys going down and up: once, on the key event that makes
// left Super and Alt both down; holding them, repeats, and other keys do nothing more. Keys are
// the server's key codes, so a keymap change only changes which codes count.
#include <bitset>
#include <cstdint>
#include <vector>

namespace quorrel {

class HotKeyChord {
  public:
    // Which key codes are left Super and which are Alt, after the keymap was (re)read. Keys held
    // at that moment stay held, but make no new press.
    void SetKeys(const std::vector<std::uint8_t>& super, const std::vector<std::uint8_t>& alt);
    // The keyboard as the server reports it (at start and after a keymap change); no press.
    void SetDown(const std::bitset<256>& down);
    // A key went down; true when this makes the hot key's press.
    bool Press(std::uint8_t code);
    void Release(std::uint8_t code);

  private:
    bool Both() const;
    std::bitset<256> super_, alt_, down_;
    bool held_ = false; // both keys down, and that press was counted
};

} // namespace quorrel
