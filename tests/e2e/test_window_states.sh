#!/usr/bin/env bash
# Minimised windows under a window manager that offers minimise on every frame: a window with a
# minimise box comes back from its menu entry, the text-mode window from the hot key; a dialog
# or message box without one does not stay minimised.
. "$(dirname "$0")/lib.sh"
start_x

empty_collector Work

# state_is WINDOW STATE: the window manager's WM_STATE of the window (Normal, Iconic).
state_is() { xprop -id "$1" WM_STATE 2>/dev/null | grep -q "window state: $2"; }
# spy WINDOW: records every WM_STATE the window goes through, in $E2E_TMP/states.$WINDOW.
spy() {
    xprop -spy -id "$1" WM_STATE >"$E2E_TMP/states.$1" 2>/dev/null &
    HELPER_PIDS+=($!)
    wait_until 5 test -s "$E2E_TMP/states.$1" || fail "no WM_STATE recorded for window $1"
}
# stays_up WINDOW: once the window manager has handled a minimise of WINDOW, the window is on
# screen and not minimised, and stays so. A window transient for another is minimised with its
# whole group by openbox, which may then write WM_STATE again without ever making it Iconic.
handled() { [ "$(grep -c 'window state:' "$E2E_TMP/states.$1")" -ge 2 ]; }
shown_normal() { state_is "$1" Normal && xwininfo -id "$1" | grep -q IsViewable; }
handled_and_shown() { handled "$1" && shown_normal "$1"; }
stays_up() { wait_until 5 handled_and_shown "$1" && holds 0.5 shown_normal "$1"; }

start_quorrel
m=$(wait_window 'Text Mode$')

# The paste preview has a minimise box: minimised it stays so, and its menu entry brings it back.
key_to "$m" alt+p
p=$(wait_window '^Quorrel {54}Paste Preview$')
xdotool windowminimize "$p"
wait_until 5 state_is "$p" Iconic || fail "the paste preview was not minimised"
press_until "$m" alt+p state_is "$p" Normal || fail "Paste Preview did not bring the minimised preview back"
wait_window '^Quorrel {54}Paste Preview$' >/dev/null
shot preview_back
press_until "$p" alt+c no_window 'Paste Preview$' || fail "Cancel did not close the paste preview"

# Create Collector has none: minimised by the window manager, it comes straight back.
d=$(menu_window "$m" alt+f c '^Create Collector$')
spy "$d"
xdotool windowminimize "$d"
stays_up "$d" || fail "Create Collector stayed minimised: $(tr -d '\t' <"$E2E_TMP/states.$d" | tr '\n' ' ')"
wait_window '^Create Collector$' >/dev/null
press_until "$d" alt+c no_window '^Create Collector$' || fail "Cancel did not close the dialog"

# A message box holds the program until OK: minimised, it comes straight back.
key_to "$m" alt+a # no text on the clipboard
box=$(wait_window '^Quorrel$')
spy "$box"
xdotool windowminimize "$box"
stays_up "$box" || fail "the message box stayed minimised: $(tr -d '\t' <"$E2E_TMP/states.$box" | tr '\n' ' ')"
press_until "$box" Return no_window '^Quorrel$' || fail "Enter did not close the message box"

# The text-mode window minimised (and so hidden, having lost the focus): the hot key shows it.
focus "$m"
xdotool windowminimize "$m"
wait_no_window 'Text Mode$'
shown() { has_window 'Text Mode$' && state_is "$m" Normal; }
hot_key_until Super_L shown || fail "the hot key did not bring the minimised text-mode window back"
shot text_mode_back

running || fail "Quorrel ended"
echo "window states end to end: passed"
