#include "HotKeyChord.h"

namespace quorrel {

void HotKeyChord::SetKeys(const std::vector<std::uint8_t>& super,
                          const std::vector<std::uint8_t>& alt) {
    super_.reset();
    alt_.reset();
    for (std::uint8_t c : super)
        super_.set(c);
    for (std::uint8_t c : alt)
        alt_.set(c);
    held_ = Both();
}

void HotKeyChord::SetDown(const std::bitset<256>& down) {
    down_ = down;
    held_ = Both();
}

bool HotKeyChord::Both() const {
    return (down_ & super_).any() && (down_ & alt_).any();
}

bool HotKeyChord::Press(std::uint8_t code) {
    down_.set(code);
    if (held_ || !Both()) return false;
    held_ = true;
    return true;
}

void HotKeyChord::Release(std::uint8_t code) {
    down_.reset(code);
    held_ = Both();
}

} // namespace quorrel
