#!/usr/bin/env bash
# Quorrel's window on a Wayland desktop (headless sway, windows on Xwayland): Capture Screen
# shows the screen (the Screenshot portal, compared with grim), not the black root window of
# rootless Xwayland.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/sway.sh"

start_sway
start_portals
start_native
empty_collector Work
start_quorrel_wayland
m=$(need_x && wait_window 'Text Mode$' 20)

# quorrel_focus TITLE-REGEX: sway gives Quorrel's window the focus, as a click would.
quorrel_focused() { need_x && is_active "$1"; }
quorrel_focus() {
    swaymsg "[title=\"$1\"] focus" >/dev/null 2>&1 || true
    wait_until 5 quorrel_focused "$2" || fail "Quorrel's window '$1' did not get the focus"
}
quorrel_focus 'Text Mode$' "$m"
need_x
xdotool key alt+g
p=$(need_x && wait_window 'Graphics Mode$')
quorrel_focus 'Graphics Mode$' "$p"

# --- Capture Screen (4440,3840 twips: 296,256 px, 89 x 33 px below the menu). ---
png_size() { identify -format '%wx%h' "$1" 2>/dev/null; }
captured() {
    wl-paste -t image/png >"$E2E_TMP/capture.png" 2>/dev/null &&
        [ "$(png_size "$E2E_TMP/capture.png")" = 1280x1024 ]
}
wl-copy --clear
need_x
xdotool mousemove --window "$p" 340 290 click 1
wait_until 20 captured || fail "no 1280x1024 screen on the clipboard after Capture Screen: $(wl-paste -l 2>&1 | head -3)"
graphics_shown() { need_x && has_window 'Graphics Mode$'; }
wait_until 10 graphics_shown || fail "the graphics window did not come back after the capture"

# The capture shows what grim sees, outside Quorrel's own window (hidden while captured).
grim "$E2E_TMP/grim.png" || fail "grim could not take the screen"
read -r x y w h < <(need_x && xwininfo -id "$p" | awk '/Absolute upper-left X/ { x = $NF }
    /Absolute upper-left Y/ { y = $NF } /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { print x, y, w, h }')
for f in capture grim; do
    convert "$E2E_TMP/$f.png" -fill black -draw "rectangle $((x - 2)),$((y - 2)) $((x + w + 2)),$((y + h + 2))" \
        "$E2E_TMP/$f.masked.png"
done
diff=$(compare -metric AE -fuzz 3% "$E2E_TMP/capture.masked.png" "$E2E_TMP/grim.masked.png" null: 2>&1) || true
[ "${diff%%.*}" -lt 13107 ] 2>/dev/null || fail "the capture differs from grim's screen in $diff pixels"
mean=$(convert "$E2E_TMP/capture.png" -format '%[fx:int(mean*1000)]' info:)
[ "$mean" -gt 20 ] || fail "the capture is black (mean $mean/1000)"
echo "capture vs grim: $diff pixels differ; mean brightness $mean/1000"

running || fail "Quorrel ended"
echo "wayland window end to end: passed"
