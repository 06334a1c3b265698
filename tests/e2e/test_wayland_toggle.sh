#!/usr/bin/env bash
# The way back to the window on a Wayland desktop without a shortcut portal (headless sway):
# Xwayland sees no key while a native window has the focus, so the user binds `quorrel --toggle`
# in sway's configuration. Pressing that chord over a native window hides Quorrel's window and
# brings it back with the focus; without a live hot key the window stays up when it loses the
# focus.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/sway.sh"

command -v wtype >/dev/null || skip "wtype is not installed (scripts/install-deps.sh)"
# As a user's configuration does; sway runs the command as its own user, with its environment.
SWAY_EXTRA="bindsym Mod4+q exec $QUORREL --toggle"
start_sway
start_native
empty_collector Work
start_quorrel_wayland
m=$(need_x && wait_window 'Text Mode$' 20)

# sway_has TITLE-REGEX: sway shows a window of that title (mapped; an unmapped Xwayland window
# leaves sway's tree).
sway_titles() {
    swaymsg -t get_tree -r | python3 -c '
import json, sys
def walk(n):
    if n.get("pid") and n.get("name") is not None and n.get("visible", True):
        print(n["name"])
    for c in n.get("nodes", []) + n.get("floating_nodes", []):
        walk(c)
walk(json.load(sys.stdin))'
}
sway_has() { sway_titles | grep -q -- "$1"; }
shown() { sway_has 'Text Mode$' && need_x && has_window 'Text Mode$'; }
hidden() { ! sway_has 'Text Mode$' && need_x && no_window 'Text Mode$'; }
quorrel_focused() { need_x && is_active "$m"; }
# chord: the user presses Super + Q; sway takes it for its binding.
chord() { wtype -M logo -k q -m logo || fail "wtype could not type Super + Q"; }

wait_until 10 shown || fail "sway does not show Quorrel's window: $(sway_titles | tr '\n' '|')"
focus_native
# No hot key is live on sway: the window must not hide when it loses the focus.
holds 0.5 shown || fail "the window hid when the native window took the focus"

chord
wait_until 10 hidden || fail "Super + Q (quorrel --toggle) did not hide the window; sway shows: $(sway_titles | tr '\n' '|')"
focused_is native-e2e || fail "the native window lost the focus to '$(focused_app)'"
running || fail "Quorrel ended"

chord
wait_until 10 shown || fail "Super + Q (quorrel --toggle) did not bring the window back; sway shows: $(sway_titles | tr '\n' '|')"
wait_until 5 quorrel_focused || fail "the window came back without the focus; sway's focus: '$(focused_app)'"

# Once more from Quorrel's own window, which the chord does not reach: sway keeps it.
chord
wait_until 10 hidden || fail "Super + Q over Quorrel's window did not hide it"
chord
wait_until 10 shown || fail "Super + Q did not bring the window back a second time"

running || fail "Quorrel ended"
echo "wayland toggle end to end: passed"
