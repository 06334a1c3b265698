#!/usr/bin/env bash
# Text mode against the real clipboard: another program's copy shows in Text1; Add to Collector
# writes the clip; choosing it from the list puts it back exactly as it was copied; the hot key
# hides and shows the window, the right Super key does not count.
. "$(dirname "$0")/lib.sh"
start_x
empty_collector Work
start_quorrel
m=$(wait_window 'Text Mode$')
focus "$m"

# text1_look: a digest of how the first letters in the text box Text1 look (120,480 twips,
# below the 21-pixel menu bar). The caret stands behind the last letter, outside what is read.
text1_look() {
    import -window "$m" "$E2E_TMP/text1.png"
    convert "$E2E_TMP/text1.png" -crop 50x17+12+57 +repage -format '%#' info:
}
text1_differs() { [ "$(text1_look)" != "$1" ]; }

# Text copied by another program reaches Text1; Add to Collector (Alt+A) stores it.
before=$(text1_look)
copy_text "hello from xclip"
wait_until 5 text1_differs "$before" || fail "the copied text did not show in Text1"
shot text_mode
focus "$m"
key_to "$m" alt+a
# The clip file is written first and the list line last: wait for each whole.
wait_file "$DOCS/Clips/Data/Work/1" $'hello from xclip\r\n'
wait_file "$DOCS/Clips/Data/Work/Data" $'1) hello from xclip\r\n'

# Another program's copy replaces the clipboard; choosing clip 1 from the list restores it.
before=$(text1_look)
copy_text "something else"
wait_until 5 text1_differs "$before" || fail "the second copy did not show in Text1"
focus "$m"
# Open the clip list (its arrow at the right end of the box, 3120 + 3135 twips across, 1200 down
# the client area below the 21-pixel menu bar) and choose its first item.
key_to "$m" alt+d
open_popup "$m" click $(( (3120 + 3135) / 15 - 8 )) $(( 21 + 1200 / 15 + 10 ))
shot clip_list_open
xdotool key Down Return
restored() { [ "$(clip_out | od -An -c | tr -d ' \n')" = 'hellofromxclip' ]; }
wait_until 5 restored || fail "clip 1 not back on the clipboard: $(clip_out | od -c | head -3)"
shot clip_restored

# The hot key (left Super + Alt) hides and shows the window; right Super with Alt does nothing.
shown() { test -n "$(window_id 'Text Mode$')"; }
hidden() { ! shown; }
hot_key_never Super_R shown || fail "right Super + Alt hid the window"
hot_key_until Super_L hidden || fail "the hot key did not hide the window"
shot hidden_by_hot_key
hot_key_until Super_L shown || fail "the hot key did not show the window again"

echo "text mode end to end: passed"
