#!/usr/bin/env bash
# Collectors against the real program: open another collector from the label and see both mode
# windows follow; save it under a new name and find the copy in the Open list; delete the copy
# to the Trash.
. "$(dirname "$0")/lib.sh"
start_x
D="$DOCS/Clips/Data"
mkdir -p "$D/Work" "$D/Home/Pix"
printf '[Collector]\r\nLabel=Work\r\nOpen=x\r\nSkip=Work\r\n' >"$D/Settings.ini"
printf '[Collector]\r\nClipNumber=0\r\n' >"$D/Work/Settings.ini"
printf '[Collector]\r\nClipNumber=1\r\n' >"$D/Home/Settings.ini"
printf 'home clip\r\n' >"$D/Home/1"
printf '1\r\n' >"$D/Home/Numb"
printf '1) home clip\r\n' >"$D/Home/Data"
printf '[Collector]\r\nPicNum=1\r\n' >"$D/Home/Pix/Settings.ini"
convert -size 40x30 xc:orange "bmp3:$D/Home/Pix/1.jpg"

# position NAME [SKIP]: how many Down presses reach NAME in a list of the collector folders in
# the file system's enumeration order (the order the dialogs list them), leaving SKIP out.
position() {
    find "$D" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | grep -vx "${2:-}" |
        grep -nx "$1" | cut -d: -f1
}
downs() { local i; for i in $(seq "$1"); do xdotool key Down; done; }

start_quorrel
m=$(wait_window 'Text Mode$')
focus "$m"

# A click on the collector's name (4320, 240 twips below the menu bar) opens the Open dialog.
xdotool mousemove --window "$m" $(( 4320 / 15 + 10 )) $(( 21 + 240 / 15 + 6 )) click 1
o=$(wait_window '^Open Collector$')
focus "$o"
downs "$(position Home)"
shot open_collector
xdotool key alt+o
wait_no_window '^Open Collector$'
grep -q $'^Label=Home\r$' "$D/Settings.ini" || fail "Label not Home"
grep -q $'^Skip=Home\r$' "$D/Settings.ini" || fail "Skip not Home"
grep -q "^Open=$D/Home/"$'\r$' "$D/Settings.ini" || fail "Open not the Home folder"
shot text_mode_home

# The text window's list now holds Home's clip: choosing it puts it on the clipboard.
focus "$m"
open_popup "$m" click $(( (3120 + 3135) / 15 - 8 )) $(( 21 + 1200 / 15 + 10 ))
xdotool key Down Return
restored() { [ "$(clip_out | od -An -c | tr -d ' \n')" = 'homeclip' ]; }
wait_until 5 restored || fail "Home's clip not on the clipboard"

# The graphics window follows too: its slot 1 shows Home's picture.
key_to "$m" alt+g
p=$(wait_window 'Graphics Mode$')
wait_no_window 'Text Mode$'
# Slot 1 (3360,600 twips, 65 px square, below the menu bar) shows the orange picture.
slot1_colour() {
    import -window "$p" "$E2E_TMP/pix.png"
    convert "$E2E_TMP/pix.png" -format '%[pixel:p{256,95}]' info:
}
slot1_orange() { case "$(slot1_colour)" in orange | "srgb(255,165,0)") return 0 ;; esac; return 1; }
wait_until 5 slot1_orange || fail "slot 1 does not show Home's picture: $(slot1_colour)"
shot graphics_mode_home
focus "$p"
key_to "$p" alt+t
m=$(wait_window 'Text Mode$')

# Save As "Copy1": a full copy beside the others; the open collector stays Home.
s=$(menu_window "$m" alt+f s 'Save As\.\.\.$')
focus "$s"
xdotool type --delay 20 "Copy1"
xdotool key Return
wait_no_window 'Save As\.\.\.$'
diff -r "$D/Home" "$D/Copy1" || fail "the copy differs from the collector"
grep -q $'^Label=Home\r$' "$D/Settings.ini" || fail "Save As changed the open collector"

# The copy is in the Open list.
o=$(menu_window "$m" alt+f o '^Open Collector$')
focus "$o"
downs "$(position Copy1)"
shot open_lists_copy
xdotool key alt+c
wait_no_window '^Open Collector$'
grep -q $'^Label=Home\r$' "$D/Settings.ini" || fail "Cancel changed the open collector"

# Delete the copy: the list leaves out Home; Enter moves it to the Trash without asking, and a
# message says so.
x=$(menu_window "$m" alt+f d 'Delete Collector$')
focus "$x"
downs "$(position Copy1 Home)"
shot delete_collector
xdotool key Return
b=$(wait_window '^Quorrel$')
shot deleted_to_trash
press_until "$b" Return no_window '^Quorrel$' || fail "the message stayed"
wait_no_window 'Delete Collector$'
[ ! -e "$D/Copy1" ] || fail "Copy1 not deleted"
[ -d "$D/Home" ] && [ -d "$D/Work" ] || fail "a collector other than the copy went"
T="$HOME/.local/share/Trash"
diff -r "$D/Home" "$T/files/Copy1" || fail "the Trash does not hold the whole copy"
grep -qx "Path=$D/Copy1" "$T/info/Copy1.trashinfo" || fail "the Trash does not know where it was"
echo "collectors end to end: passed"
