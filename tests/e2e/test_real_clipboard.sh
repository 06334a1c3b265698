#!/usr/bin/env bash
# The clipboard with real programs nobody here wrote: xclip with explicit targets, xsel, GTK 3,
# Tk, and owners of our own that hang, mark a password or clear the clipboard. Checks the bytes
# stored, the bytes other programs read back, and that the window answers while an owner hangs.
. "$(dirname "$0")/lib.sh"
PY=/usr/bin/python3
OWNERS="$(dirname "$0")/owners"
export QUORREL_TRACE="$E2E_TMP/trace"
: >"$QUORREL_TRACE"
STARTED=()
stop_started() {
    local p
    for p in "${STARTED[@]}"; do kill "$p" 2>/dev/null || true; done
    STARTED=()
}
trap 'stop_started; cleanup' EXIT

start_x
empty_collector Work
D=$C
start_quorrel
m=$(wait_window 'Text Mode$')

notices() { wc -l <"$QUORREL_TRACE"; }
# wait_notice BEFORE PATTERN: a notice after the first BEFORE ones matches PATTERN.
notice_after() { tail -n +"$(($1 + 1))" "$QUORREL_TRACE" | grep -q -- "$2"; }
wait_notice() {
    wait_until 10 notice_after "$1" "$2" ||
        fail "no clipboard notice matching '$2'; notices: $(tail -n +"$(($1 + 1))" "$QUORREL_TRACE")"
}
# xclip_in ARGS...: xclip serving stdin in the foreground, ended by PID at the end.
xclip_in() {
    xclip -quiet -selection clipboard "$@" >/dev/null 2>&1 &
    STARTED+=($!)
}
next_clip=1
# add_clip: Add to Collector (Alt+A); waits for the clip file and its index line.
add_clip() {
    local n=$next_clip
    key_to "$m" alt+a
    wait_until 20 grep -q "^$n) " "$D/Data" || fail "clip $n not added"
    next_clip=$((n + 1))
}
clip_is() { cmp -s "$D/$1" <(printf '%s' "$2"); }
owner_gone() { ! kill -0 "$1" 2>/dev/null; }

# --- Line ends: the same three lines from five programs are stored as the same bytes. ---
text=$'first line\nsecond line\nthird line'
stored=$'first line\r\nsecond line\r\nthird line\r\n'
n=$(notices); printf '%s' "$text" | xclip_in -i; wait_notice "$n" 'head=first line\\nsecond'
add_clip
n=$(notices); printf '%s' "$text" | xsel --clipboard --input; wait_notice "$n" 'head=first line'
add_clip
n=$(notices); "$PY" "$OWNERS/gtk_copy.py" "$text"; wait_notice "$n" 'head=first line'
add_clip
n=$(notices); "$PY" "$OWNERS/tk_copy.py" "$text" --until "$D/4" & tk=$!; STARTED+=($tk)
wait_notice "$n" 'head=first line'
add_clip
wait_until 5 owner_gone "$tk" || fail "Tk did not quit"
wait_until 5 test "$(clip_out)" = "$text" || fail "Tk's copy was not kept: '$(clip_out)'"
n=$(notices); "$CLIP_OWNER" only 'text/plain;charset=utf-8' "$text" >/dev/null & STARTED+=($!)
wait_notice "$n" 'head=first line'
add_clip
for i in 1 2 3 4 5; do
    clip_is "$i" "$stored" || fail "clip $i stored as $(od -c "$D/$i" | head -3)"
done
[ "$(grep -c $'^[0-9]*) first line\r$' "$D/Data")" = 5 ] || fail "Data: $(cat -A "$D/Data")"

# --- Copies outlive the program that made them (GTK's handover, Tk and xclip -l 1 quitting). ---
n=$(notices); printf 'kept after quitting' | xclip -l 1 -selection clipboard -i >/dev/null 2>&1
wait_notice "$n" 'head=kept after quitting'
wait_until 5 test "$(clip_out)" = 'kept after quitting' || fail "xclip -l 1's copy was lost"
n=$(notices); "$PY" "$OWNERS/gtk_copy.py" $'from GTK\n'; wait_notice "$n" 'head=from GTK'
[ "$(clip_out | od -An -c | tr -d ' \n')" = 'fromGTK\n' ] || fail "GTK's copy was lost"

# --- A chosen clip goes back as it was copied (LF line ends, no line end added), readable by
# xclip, xsel, Tk and GTK. ---
n=$(notices); focus "$m"
# The clip list's arrow: the right end of the box (3120 + 3135 twips), 1200 twips below the menu.
xdotool mousemove --window "$m" $(( (3120 + 3135) / 15 - 8 )) $(( 21 + 1200 / 15 + 10 )) click 1
xdotool key Down Return
wait_notice "$n" 'text=33 .*head=first line\\nsecond line\\nthird line'
expect=$'first line\nsecond line\nthird line'
[ "$(xclip -selection clipboard -o; echo .)" = "$expect." ] || fail "xclip read back $(clip_out | od -c)"
[ "$(xsel --clipboard --output; echo .)" = "$expect." ] || fail "xsel read back"
tk_read=$("$PY" -c 'import tkinter; r = tkinter.Tk(); print(repr(r.clipboard_get()))')
[ "$tk_read" = "'first line\\nsecond line\\nthird line'" ] || fail "Tk read back $tk_read"
gtk_read=$("$PY" -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gdk, Gtk
print(repr(Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD).wait_for_text()))')
[ "$gtk_read" = "'first line\\nsecond line\\nthird line'" ] || fail "GTK read back $gtk_read"

# --- Latin-1 STRING and an owner that offers only text/plain;charset=utf-8. ---
n=$(notices); printf 'caf\xe9' | xclip_in -t STRING -i; wait_notice "$n" 'head=café'
add_clip
clip_is 6 $'café\r\n' || fail "STRING not read as Latin-1: $(od -c "$D/6")"

# --- A password is masked, never stored, and gone with its owner. ---
n=$(notices); "$CLIP_OWNER" secret 'hunter2' >/dev/null & secret=$!; STARTED+=($secret)
wait_notice "$n" 'secret=1'
key_to "$m" alt+a
b=$(wait_window '^Quorrel$')
shot password_refused
press_until "$b" Return no_window '^Quorrel$' || fail "the password message stayed"
[ ! -e "$D/7" ] || fail "a password was stored"
grep -rq hunter2 "$DOCS" && fail "the password reached the store"
kill "$secret"; wait "$secret" 2>/dev/null || true
wait_until 5 test -z "$(clip_out)" || fail "the password was kept after its owner quit"

# --- A clipboard cleared on purpose stays empty. ---
n=$(notices); printf 'to be cleared' | xclip_in -i; wait_notice "$n" 'head=to be cleared'
n=$(notices); "$CLIP_OWNER" clear; wait_notice "$n" 'text=0 '
[ -z "$(clip_out)" ] || fail "a cleared clipboard was refilled"

# --- An owner that never answers: the window keeps answering; the next copy is read. ---
"$CLIP_OWNER" hang >"$E2E_TMP/hang.out" & hang=$!; STARTED+=($hang)
wait_until 5 grep -q ready "$E2E_TMP/hang.out" || fail "the hanging owner did not start"
key_to "$m" alt+f o
o=$(wait_window '^Open Collector$' 2)
press_until "$o" alt+c no_window '^Open Collector$' || fail "Open Collector stayed"
n=$(notices); printf 'after the hang' | xclip_in -i; wait_notice "$n" 'head=after the hang'
kill "$hang" 2>/dev/null || true  # it quits by itself once it loses the clipboard

# --- 50 MB of text: stored whole with CR LF, served back whole, memory bounded. ---
big="$E2E_TMP/big.txt"
awk 'BEGIN { for (i = 0; i < 800000; i++) printf "log line %07d of a large copy .........\n", i }' \
    >"$big" # 50 MB
n=$(notices); xclip_in -i "$big"; wait_notice "$n" "text=$(stat -c %s "$big") "
add_clip
expected_size=$(( $(stat -c %s "$big") + 800000 + 2 ))
[ "$(stat -c %s "$D/7")" = "$expected_size" ] || fail "50 MB clip stored as $(stat -c %s "$D/7") bytes"
cmp -s <(tr -d '\r' <"$D/7") <(cat "$big"; echo) || fail "50 MB clip differs"
grep -q $'^7) log line 0000000 of a large copy .........\r$' "$D/Data" || fail "50 MB clip index"
n=$(notices); key_to "$m" alt+c; wait_notice "$n" "text=$(stat -c %s "$big") "
cmp -s <(xclip -selection clipboard -o) "$big" || fail "xclip read back a different 50 MB"
cmp -s <(xsel --clipboard --output) "$big" || fail "xsel read back a different 50 MB"
peak=$(awk '/VmHWM/ { print $2 }' "/proc/$QPID/status")
echo "peak resident memory with 50 MB: $((peak / 1024)) MB"
[ "$peak" -lt $((350 * 1024)) ] || fail "peak memory $((peak / 1024)) MB"

# --- A 6000 x 6000 picture is taken and stored; one over the limit is refused with a message. ---
"$PY" "$OWNERS/make_png.py" 6000 6000 "$E2E_TMP/big.png"
n=$(notices); xclip_in -t image/png -i "$E2E_TMP/big.png"; wait_notice "$n" 'picture=6000x6000'
key_to "$m" alt+g
p=$(wait_window 'Graphics Mode$')
press_until -w 15 "$p" Return test -s "$D/Pix/1.jpg" || fail "the 6000 x 6000 picture was not stored"
wait_until 20 test "$(identify -format '%wx%h' "$D/Pix/1.jpg" 2>/dev/null)" = 6000x6000 ||
    fail "stored as $(identify "$D/Pix/1.jpg" 2>&1)"
"$PY" "$OWNERS/make_png.py" 9000 9000 "$E2E_TMP/huge.png"
n=$(notices); xclip_in -t image/png -i "$E2E_TMP/huge.png"; wait_notice "$n" 'picture=0x0'
pictures=$(ls "$D/Pix" | grep -c '\.jpg$')
press_until "$p" Return has_window '^Quorrel$' || fail "no message for a picture over the limit"
b=$(wait_window '^Quorrel$')
shot picture_too_large
press_until "$b" Return no_window '^Quorrel$' || fail "the message stayed"
[ "$(ls "$D/Pix" | grep -c '\.jpg$')" = "$pictures" ] || fail "a picture over the limit was stored"

running || fail "Quorrel ended"
echo "real clipboard end to end: passed"
