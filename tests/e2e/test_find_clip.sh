#!/usr/bin/env bash
# Finding a clip by typing in the clip list's box, at scale 1 and 2: a drop-down under the box
# offers the clips that hold what was typed, in any letter case, newest first, wider than the
# box (its shot shows clip 25, found below its first line, with the line where); Down and Enter
# put the clip on the clipboard exactly as it was copied.
. "$(dirname "$0")/lib.sh"
start_x
empty_collector Work
n=0
add() {
    n=$((n + 1))
    printf '%s\r\n' "$1" >"$C/$n"
    printf '%s\r\n' "$n" >>"$C/Numb"
    printf '%s) %s\r\n' "$n" "${1%%$'\r'*}" >>"$C/Data"
}
for i in $(seq 40); do
    case $i in
    7) add "ssh deploy@10.0.0.5 -p 2222" ;;
    19) add "DEPLOY notes: a first line much longer than the box, so that the list cuts it at its end, here" ;;
    25) add $'server notes\r\n\tuse the deploy key from the vault, never the one in the old wiki' ;;
    31) add "git push Deploy main" ;;
    *) add "clip number $i" ;;
    esac
done
printf '[Collector]\r\nClipNumber=%s\r\n' "$n" >"$C/Settings.ini"

# popup: the window Quorrel shows besides the text-mode window.
popup() { x_search --pid "$QPID" | grep -vx "$m" | head -n 1; }
width() { xwininfo -id "$1" | awk '/Width:/ { print $2 }'; }
restored() { [ "$(clip_out; echo .)" = "git push Deploy main." ]; }

for s in 1 2; do
    QT_SCALE_FACTOR=$s start_quorrel
    m=$(wait_window 'Text Mode$')
    focus "$m"
    # The list's box, left of its arrow (3120 twips across, 1200 down below the menu bar).
    click_at "$m" $((s * (3120 / 15 + 40))) $((s * (21 + 1200 / 15 + 10)))
    before=$(quorrel_windows)
    key_to "$m" d shift+e p
    wait_until 5 popup_shown "$before" || fail "no drop-down at scale $s after typing"
    p=$(popup)
    [ -n "$p" ] || fail "the drop-down at scale $s was not found"
    # 60 characters of the list's font: wider than the box (3135 twips).
    [ "$(width "$p")" -ge $((s * 300)) ] || fail "the drop-down at scale $s is $(width "$p") pixels wide"
    shot "find_clip_${s}x"
    key_to "$m" Down Return
    wait_until 5 restored || fail "clip 31 not back at scale $s: $(clip_out | od -c | head -3)"
    shot "found_clip_${s}x"
    # The list itself cuts a long first line at its end too (its arrow at the box's right end).
    open_popup "$m" click $((s * ((3120 + 3135) / 15 - 8))) $((s * (21 + 1200 / 15 + 10)))
    shot "clip_list_${s}x"
    before=$(quorrel_windows)
    key_to "$m" Escape
    wait_until 5 test "$(quorrel_windows)" -lt "$before" || fail "the list stayed open at scale $s"
    stop "$QPID" Quorrel
    QPID=""
    printf 'something else' >"$E2E_TMP/other.txt"
    serve_clip UTF8_STRING "$E2E_TMP/other.txt"
done
echo "find a clip end to end: passed"
