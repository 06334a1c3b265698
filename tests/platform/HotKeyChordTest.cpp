// When the hot key fires: once per press of left Super with Alt, whatever the hold, the order
// or the repeats, and with the keys a keymap change gives.
#include "platform/HotKeyChord.h"

#include <gtest/gtest.h>

using quorrel::HotKeyChord;

namespace {
constexpr std::uint8_t SuperL = 133, SuperR = 134, AltL = 64, AltR = 108, A = 38;
} // namespace

TEST(HotKeyChord, FiresOncePerPressOfBothKeysInEitherOrder) {
    HotKeyChord k;
    k.SetKeys({SuperL}, {AltL, AltR});
    EXPECT_FALSE(k.Press(SuperL));
    EXPECT_TRUE(k.Press(AltL));
    // Held: the server's repeats, a second Alt and other keys make no second press.
    EXPECT_FALSE(k.Press(AltL));
    EXPECT_FALSE(k.Press(SuperL));
    EXPECT_FALSE(k.Press(AltR));
    EXPECT_FALSE(k.Press(A));
    k.Release(AltL);
    EXPECT_FALSE(k.Press(AltL)) << "right Alt still held with Super: the same press";
    k.Release(AltL);
    k.Release(AltR);
    k.Release(SuperL);
    // Alt first, then Super: a new press.
    EXPECT_FALSE(k.Press(AltR));
    EXPECT_TRUE(k.Press(SuperL));
    k.Release(SuperL);
    EXPECT_TRUE(k.Press(SuperL)) << "Super let go and pressed again while Alt stays down";
}

TEST(HotKeyChord, TheRightSuperKeyAndEitherKeyAloneDoNothing) {
    HotKeyChord k;
    k.SetKeys({SuperL}, {AltL, AltR});
    EXPECT_FALSE(k.Press(SuperR));
    EXPECT_FALSE(k.Press(AltL));
    EXPECT_FALSE(k.Press(AltR));
    k.Release(AltL);
    k.Release(AltR);
    k.Release(SuperR);
    EXPECT_FALSE(k.Press(SuperL));
    EXPECT_FALSE(k.Press(SuperL));
}

TEST(HotKeyChord, FollowsTheKeymapAndDoesNotFireForKeysAlreadyHeld) {
    HotKeyChord k;
    k.SetKeys({SuperL}, {AltL});
    // Keys held when the program starts listening are no press of their own.
    std::bitset<256> down;
    down.set(SuperL).set(AltL);
    k.SetDown(down);
    EXPECT_FALSE(k.Press(AltL));
    k.Release(AltL);
    EXPECT_TRUE(k.Press(AltL));
    k.Release(AltL);
    k.Release(SuperL);

    // A new keymap puts Super on another key (as xmodmap can): the old key no longer counts.
    k.SetKeys({SuperR}, {AltL});
    EXPECT_FALSE(k.Press(SuperL));
    EXPECT_FALSE(k.Press(AltL));
    EXPECT_TRUE(k.Press(SuperR));
    // Both held across a keymap change: no press until they are let go and pressed again.
    k.SetKeys({SuperR}, {AltL});
    EXPECT_FALSE(k.Press(SuperR));
    k.Release(SuperR);
    EXPECT_TRUE(k.Press(SuperR));
}
