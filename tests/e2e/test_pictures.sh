#!/usr/bin/env bash
# Graphics mode against a real X server: a PNG copied by another program shows as the current
# picture, Enter stores it as Pix/1.jpg (a bitmap) and shows it in slot 1, and Capture Screen
# leaves an image of the screen that other programs can read.
. "$(dirname "$0")/lib.sh"
start_x

empty_collector Work

start_quorrel
m=$(wait_window 'Text Mode$')
focus "$m"
key_to "$m" alt+g
p=$(wait_window 'Graphics Mode$')

# The colour at pixel X,Y of the graphics window, as ImageMagick names it.
colour_at() {
    import -window "$p" "$E2E_TMP/pix.png"
    convert "$E2E_TMP/pix.png" -format "%[pixel:p{$1,$2}]" info:
}
# imgClipboard is 120,720 twips (8,48 px) from the client area, 201 px square, below the menu.
red_at() { case "$(colour_at "$1" "$2")" in red | "srgb(255,0,0)") return 0 ;; esac; return 1; }
is_red_in_current() { red_at 108 160; }

convert -size 40x30 xc:'#ff0000' "$E2E_TMP/red.png"
serve_clip image/png "$E2E_TMP/red.png"
wait_until 5 is_red_in_current || fail "copied PNG not shown: $(colour_at 108 160)"
shot pictures_current

# The window shows with the focus on Add To Collector, its default button: Enter stores.
focus "$p"
key_to "$p" Return
# Stored: the count says 1 and the whole bitmap is there (in whichever order they are written).
stored() {
    grep -q $'^PicNum=1\r$' "$C/Pix/Settings.ini" && [ "$(head -c 2 "$C/Pix/1.jpg")" = "BM" ] &&
        [ "$(identify -format '%wx%h' "$C/Pix/1.jpg")" = "40x30" ]
}
wait_until 5 stored || fail "Enter did not store a 40x30 bitmap as picture 1 with PicNum=1"
# Slot 1 is 3360,600 twips (224,40 px), 65 px square.
slot1_red() { red_at 256 95; }
wait_until 5 slot1_red || fail "slot 1 does not show the stored picture: $(colour_at 256 95)"
shot pictures_slot1

# Capture Screen: 4440,3840 twips (296,256 px), 89 x 33 px, below the menu.
clip_png_size() { xclip -o -selection clipboard -t image/png 2>/dev/null | identify -format '%wx%h' - 2>/dev/null; }
xdotool mousemove --window "$p" 340 290 click 1
screen_on_clipboard() { [ "$(clip_png_size)" = "1280x1024" ]; }
graphics_shown() { test -n "$(window_id 'Graphics Mode$')"; }
wait_until 5 screen_on_clipboard || fail "no screen image on the clipboard: $(clip_png_size)"
wait_until 5 graphics_shown || fail "graphics window not shown again"
[ ! -f "$C/Pix/2.jpg" ] || fail "Capture Screen stored a picture"

# Clear Clipboard (120,3840 twips) leaves imgClipboard disabled, also after X11's late second
# notice of the clear: a click on it then opens nothing, while Preview (3000,3840) still does.
viewer='^Quorrel {20}Preview$'
# The window shown again is managed anew by the window manager, which may still be placing it:
# the click waits until it is active, as the user's would land on a window in place.
focus "$p"
click_at "$p" 50 290
clip_targets() { xclip -selection clipboard -o -t TARGETS 2>/dev/null | grep -v '^TARGETS$\|^TIMESTAMP$\|^MULTIPLE$\|^SAVE_TARGETS$'; }
clip_empty() { [ -z "$(clip_targets)" ]; }
wait_until 5 clip_empty ||
    fail "Clear Clipboard left something on the clipboard: $(clip_targets | tr '\n' ' ')"
# The late notice of a clear comes some time after the call: the picture stays disabled while
# it arrives, and a click on it opens nothing.
holds 0.5 no_window "$viewer" || fail "the viewer opened by itself"
click_at "$p" 108 160
holds 0.5 no_window "$viewer" || fail "a click on the cleared picture opened the viewer"
xdotool mousemove --window "$p" 240 290 click 1
v=$(wait_window "$viewer")
shot picture_viewer_empty
xdotool windowclose "$v" 2>/dev/null || xdotool key --window "$v" alt+F4
wait_no_window "$viewer"

focus "$p"
open_popup "$p" alt+f
xdotool key x
wait_exit 10
echo "pictures end to end: passed"
