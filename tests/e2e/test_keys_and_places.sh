#!/usr/bin/env bash
# Keys and window places under a real window manager: a held key stores once; Enter right after
# switching to graphics mode stores the picture, Enter on a focused Clear Clipboard clears; windows
# that start centred stand centred with their frame, the picture viewer at the size its picture
# gives it; the About box is 265 pixels tall; a message box carries the program's icon.
. "$(dirname "$0")/lib.sh"
start_x

empty_collector Work

# outer WINDOW: "x y width height" of the window with its frame.
outer() {
    local x y w h l r t b
    read -r x y w h < <(xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /^ *Width/{w=$NF} /^ *Height/{h=$NF} END{print x, y, w, h}')
    read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
# hold WINDOW KEYS CHECK...: holds KEYS down on WINDOW for 1.5 s (the server repeats a held key
# after 660 ms, 25 times a second), lets them go and waits until CHECK succeeds (Enter acts when
# it goes down, Space when it comes up). A hold that shows no effect in 15 s (lost by a window
# still taking the focus) is tried again, five times at most.
hold() {
    local w=$1 keys=$2 i; shift 2
    for i in 1 2 3 4 5; do
        focus "$w"
        xdotool keydown "$keys"
        sleep 1.5 # the time the key is held: the input itself, not a wait for a state
        xdotool keyup "$keys"
        wait_until 15 "$@" && return 0
    done
    return 1
}
framed() { xprop -id "$1" _NET_FRAME_EXTENTS | grep -q '='; }
# centred WINDOW WIDTH HEIGHT: the frame stands in the middle of the 1280 x 1024 screen.
is_centred() {
    local x y w h
    read -r x y w h < <(outer "$1")
    [ "$w" = "$2" ] && [ "$h" = "$3" ] && [ "$x" = $(((1280 - w) / 2)) ] && [ "$y" = $(((1024 - h) / 2)) ]
}

start_quorrel
m=$(wait_window 'Text Mode$')
wait_until 5 framed "$m" || fail "text mode window not framed"
# 6795 twips wide inside, 3270 tall outside.
wait_until 5 is_centred "$m" 455 218 || fail "text mode window not centred: $(outer "$m")"

# A dialog with a sizable frame: centred too, 2520 twips tall with its frame.
key_to "$m" alt+f c
d=$(wait_window '^Create Collector$')
wait_until 5 framed "$d" || fail "Create Collector not framed"
dialog_centred() {
    local x y w h
    read -r x y w h < <(outer "$d")
    [ "$h" = 168 ] && [ "$x" = $(((1280 - w) / 2)) ] && [ "$y" = $(((1024 - h) / 2)) ]
}
wait_until 5 dialog_centred || fail "Create Collector not centred: $(outer "$d")"
press_until "$d" alt+c no_window '^Create Collector$' || fail "Cancel did not close the dialog"

# A message box: the program's icon in its title bar.
key_to "$m" alt+a # no text on the clipboard
box=$(wait_window '^Quorrel$')
# The program's icon has a 16 x 16 and a 32 x 32 picture; Qt's stand-in only a 48 x 48 one.
icons=$(xprop -id "$box" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | sort | tr '\n' ' ')
[ "$icons" = "Icon (16 x 16) Icon (32 x 32) " ] || fail "the message box icon: $icons"
press_until "$box" Return no_window '^Quorrel$' || fail "Enter did not close the message box"

# Alt+A held down stores the clip once.
copy_text "held down"
sleep 0.3 # nothing outside the program shows Text1: give the notice time to arrive
hold "$m" alt+a test -f "$C/1" || fail "Alt+A did not store the clip"
# Graphics mode shows only once every key before it was handled.
key_to "$m" alt+g
p=$(wait_window 'Graphics Mode$')
[ ! -f "$C/2" ] || fail "a held Alt+A stored $(ls "$C" | grep -c '^[0-9]*$') clips"
[ "$(cat "$C/Numb")" = $'1\r' ] || fail "Numb: $(cat "$C/Numb")"
wait_until 5 framed "$p" || fail "graphics window not framed"
wait_until 5 is_centred "$p" 611 371 || fail "graphics window not centred: $(outer "$p")"

# A picture from another program.
convert -size 900x700 xc:'#ff0000' "$E2E_TMP/big.png"
xclip -selection clipboard -t image/png -i "$E2E_TMP/big.png" >/dev/null 2>&1
# imgClipboard (120,720 twips, below the menu bar) shows it.
current_is_red() {
    import -window "$p" "$E2E_TMP/pix.png"
    case "$(convert "$E2E_TMP/pix.png" -format '%[pixel:p{108,160}]' info:)" in
    red | "srgb(255,0,0)") return 0 ;;
    esac
    return 1
}
wait_until 5 current_is_red || { shot nopic; fail "the copied picture is not shown: $(convert "$E2E_TMP/pix.png" -format "%[pixel:p{108,160}]" info:)"; }
# The focus starts on Add To Collector: Enter stores the picture.
press_until -w 15 "$p" Return test -f "$C/Pix/1.jpg" || fail "Enter did not store the picture"
# Enter held down stores the picture once more, not once per repeat.
hold "$p" Return test -f "$C/Pix/2.jpg" || fail "a held Enter stored nothing"
# So does Space held on the focused button.
hold "$p" space test -f "$C/Pix/3.jpg" || fail "a held Space stored nothing"
# Preview (3000,3840 twips) opens the viewer; once it shows, every key before was handled.
xdotool mousemove --window "$p" 240 290 click 1
v=$(wait_window '^Quorrel {20}Preview$')
[ ! -f "$C/Pix/4.jpg" ] || fail "held keys stored $(ls "$C/Pix" | grep -c jpg) pictures, not 3"
grep -q $'^PicNum=3\r$' "$C/Pix/Settings.ini" || fail "PicNum: $(cat "$C/Pix/Settings.ini")"

# The viewer: 900 x 700 pixels plus 300 x 600 twips, centred at that size.
wait_until 5 framed "$v" || fail "viewer not framed"
wait_until 5 is_centred "$v" 920 740 || fail "viewer not centred at its size: $(outer "$v")"
shot viewer_centred
xdotool windowclose "$v" 2>/dev/null || true
wait_no_window '^Quorrel {20}Preview$'

# Back in graphics mode the focus is on Add To Collector again; Shift+Tab moves it to Clear
# Clipboard, and Enter there clears the clipboard (the current picture goes) and stores nothing.
press_until "$p" alt+t has_window 'Text Mode$' || fail "Alt+T did not switch to text mode"
m=$(window_id 'Text Mode$')
press_until "$m" alt+g has_window 'Graphics Mode$' || fail "Alt+G did not switch to graphics mode"
key_to "$p" shift+Tab Return
not_red() { ! current_is_red; }
wait_until 5 not_red || fail "Enter on Clear Clipboard did not clear the clipboard"
[ ! -f "$C/Pix/4.jpg" ] || fail "Enter on Clear Clipboard stored a picture"

# The About box: 3975 twips tall, frame included.
key_to "$p" alt+h
xdotool key a
a=$(wait_window '^About Quorrel $')
wait_until 5 framed "$a" || fail "About box not framed"
about_height() { read -r _ _ _ h < <(outer "$a"); [ "$h" = 265 ]; }
wait_until 5 about_height || fail "About box outer size $(outer "$a")"
shot about_box
press_until "$a" Escape no_window '^About Quorrel $' || fail "Esc did not close the About box"

running || fail "Quorrel ended"
echo "keys and places end to end: passed"
