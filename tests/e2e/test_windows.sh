#!/usr/bin/env bash
# Every window opens from its menu entry or button on a real X server, shows its title, and
# closes again on Esc where it has Cancel; the About box stands at its fixed place; Enter opens
# the collector chosen in Open Collector; a message stands over the window that raised it, its
# title whole. Screenshots of each window go to $QUORREL_SHOTS when set.
. "$(dirname "$0")/lib.sh"
start_x

# A store with one collector holding one clip.
mkdir -p "$DOCS/Clips/Data/Work"
printf '[Collector]\r\nClipNumber=1\r\n' >"$DOCS/Clips/Data/Work/Settings.ini"
printf 'hello\r\n' >"$DOCS/Clips/Data/Work/1"
printf '1\r\n' >"$DOCS/Clips/Data/Work/Numb"
printf '1) hello\r\n' >"$DOCS/Clips/Data/Work/Data"
printf '[Collector]\r\nLabel=Work\r\nOpen=%s\r\nSkip=Work\r\n' "$DOCS/Clips/Data/Work" \
    >"$DOCS/Clips/Data/Settings.ini"
copy_text "from the clipboard"

start_quorrel
main=$(wait_window 'Text Mode$')
shot text_mode

# open_close OWNER KEYS TITLE-REGEX CLOSE-KEY NAME: keys in OWNER open the window TITLE, which
# CLOSE-KEY closes again. With two keys the first opens a menu, the second chooses in it.
open_close() {
    local owner=$1 keys=$2 title=$3 close=$4 name=$5 d
    if [ "${keys#* }" != "$keys" ]; then
        d=$(menu_window "$owner" "${keys%% *}" "${keys#* }" "$title")
    else
        focus "$owner"
        key_to "$owner" "$keys"
        d=$(wait_window "$title")
    fi
    shot "$name"
    # The window goes on the key press: sending the release to it then fails, harmlessly.
    press_until "$d" "$close" no_window "$title" || fail "'$close' did not close '$title'"
}

open_close "$main" "alt+f c" '^Create Collector$' Escape create_collector
open_close "$main" "alt+f o" '^Open Collector$' Escape open_collector
open_close "$main" "alt+f s" '^Quorrel {8}Save As\.\.\.$' Escape save_as
open_close "$main" "alt+f d" '^Quorrel {13}Delete Collector$' Escape delete_collector
open_close "$main" "alt+p" '^Quorrel {54}Paste Preview$' Escape paste_preview
open_close "$main" "alt+v" '^Quorrel {35}Clip Preview$' Escape clip_preview

# The About box: its own place on the screen, Esc closes it.
about=$(menu_window "$main" alt+h a '^About Quorrel $')
shot about
read -r x y < <(xwininfo -id "$about" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} END{print x, y}')
[ "$x" = 162 ] && [ "$y" = 165 ] || fail "About box at $x,$y, not at 162,165"
# No system information tool here: its message, and after OK the keyboard is the About box's
# again (openbox by itself passes it to the text-mode window, which ignores Esc).
key_to "$about" alt+s
msg=$(wait_window '^Quorrel$')
shot sysinfo_message
key_to "$msg" Return
wait_no_window '^Quorrel$'
wait_until 5 is_active "$about" ||
    fail "the About box did not get the keyboard back after its message; active: $(xdotool getactivewindow getwindowname 2>&1)"
press_until "$about" Escape no_window '^About Quorrel $' || fail "Esc did not close the About box"
wait_until 5 has_window 'Text Mode$' || fail "the text-mode window hid itself when the About box closed"

# Cancel closes a dialog too.
dlg=$(menu_window "$main" alt+f c '^Create Collector$')
press_until "$dlg" alt+c no_window '^Create Collector$' || fail "Cancel did not close the dialog"

# Open Collector: Down chooses the first collector, Enter opens it.
dlg=$(menu_window "$main" alt+f o '^Open Collector$')
key_to "$dlg" Down
press_until "$dlg" Return no_window '^Open Collector$' || fail "Enter did not open the chosen collector"

# Clip Preview is owned by the mode window on screen: it stays above it when that one is
# activated (clicked, or chosen in the taskbar), and a switch of mode hands it to the other.
# owner_of WINDOW: the window it is transient for, in decimal; above UPPER LOWER: UPPER is higher
# than LOWER in the window manager's stacking order (listed bottom first).
owner_of() { xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | awk '/window id/{printf "%d", $NF}'; }
above() {
    local order
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | tr '\n' ' ')
    order=" ${order#*$(printf '0x%x' "$2") }"
    [ "$order" != " " ] && [ "${order#* $(printf '0x%x' "$1") }" != "$order" ]
}
owned_by() { [ "$(owner_of "$1")" = "$2" ]; }
key_to "$main" alt+v
prev=$(wait_window '^Quorrel {35}Clip Preview$')
wait_until 3 owned_by "$prev" "$main" || fail "Clip Preview is transient for '$(owner_of "$prev")', not for the text-mode window $main"
focus "$main"
wait_until 3 above "$prev" "$main" || fail "Clip Preview went behind the text-mode window when that one was activated"
shot clip_preview_above
key_to "$main" alt+g
pix=$(wait_window 'Graphics Mode$')
wait_until 3 owned_by "$prev" "$pix" ||
    fail "Clip Preview is transient for '$(owner_of "$prev")' after the switch, not for the graphics-mode window $pix"
focus "$pix"
wait_until 3 above "$prev" "$pix" || fail "Clip Preview went behind the graphics-mode window when that one was activated"
key_to "$pix" alt+t
wait_window 'Text Mode$' >/dev/null
press_until "$prev" Escape no_window '^Quorrel {35}Clip Preview$' || fail "Esc did not close Clip Preview"

# A message stands centred over the window that raised it, its title whole.
# centre WINDOW: the centre of its client area on the screen, and its width.
centre() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print int(x + w / 2), int(y + h / 2), w}'
}
key_to "$main" alt+d
key_to "$main" alt+a
msg=$(wait_window '^Quorrel$')
shot message
read -r mx my _ < <(centre "$main")
read -r bx by bw < <(centre "$msg")
# Within the difference of the two frames' caption bars.
[ $(( (bx - mx) * (bx - mx) )) -le 400 ] && [ $(( (by - my) * (by - my) )) -le 900 ] ||
    fail "the message is centred at $bx,$by, the window that raised it at $mx,$my"
[ "$bw" -ge 160 ] || fail "the message is $bw pixels wide: too narrow for its title"
press_until "$msg" Return no_window '^Quorrel$' || fail "Enter did not close the message"


# Graphics mode and its About entry.
focus "$main"
key_to "$main" alt+g
pix=$(wait_window 'Graphics Mode$')
shot graphics_mode
open_close "$pix" "alt+h a" '^About Quorrel $' Return about_from_graphics

# Help > Help opens the compiled help in the CHM viewer, when one is installed. Last: the
# viewer takes the focus, and losing it hides the mode window.
if command -v xchm >/dev/null && [ -f "$(dirname "$QUORREL")/QuorrelHelp.chm" ]; then
    provide xchm
    focus "$pix"
    open_popup "$pix" alt+h
    xdotool key h
    help=$(wait_window 'Quorrel Help' 20)
    shot help
    hpid=$(xdotool getwindowpid "$help" 2>/dev/null || true)
    # The viewer is the program's child: ended by its PID, as the window reports it.
    [ -z "$hpid" ] || kill "$hpid"
fi
running || fail "Quorrel ended"
echo "windows end to end: passed"
