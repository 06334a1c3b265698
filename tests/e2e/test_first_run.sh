#!/usr/bin/env bash
# First run: Cancel removes the store and ends the program; typing a name and Enter creates the
# first collector and shows the text-mode window; a second start reopens the collector.
. "$(dirname "$0")/lib.sh"
start_x

# Cancel on the first-run dialog removes the store and ends the program.
start_quorrel
w=$(wait_window '^Create Collector$')
[ -d "$DOCS/Clips/Data" ] || fail "store folders not made"
shot first_run_dialog
focus "$w"
key_to "$w" alt+c
wait_exit 10
[ ! -e "$DOCS/Clips" ] || fail "Clips left behind after Cancel"

# First run again: a name and Enter create the collector and show the text-mode window.
start_quorrel
w=$(wait_window '^Create Collector$')
focus "$w"
xdotool type --window "$w" --delay 20 "Work"
key_to "$w" Return
m=$(wait_window 'Text Mode$')
[ -f "$DOCS/Clips/Data/Work/Settings.ini" ] || fail "collector not created"
grep -q $'^Label=Work\r$' "$DOCS/Clips/Data/Settings.ini" || fail "Label not written"

# Exit, then a second start reopens the collector.
focus "$m"
open_popup "$m" alt+f
xdotool key x
wait_exit 10
start_quorrel
wait_window 'Text Mode$' >/dev/null
grep -q "^Open=$DOCS/Clips/Data/Work"$'\r$' "$DOCS/Clips/Data/Settings.ini" || fail "Open not rewritten"
echo "first run end to end: passed"
