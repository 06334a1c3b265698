#!/usr/bin/env bash
# One copy per session, on the session bus and, without one, through the runtime folder: a second
# start shows the running copy's window and ends at once without touching the store; --toggle
# and --show reach it; two starts at the same moment leave one copy; --help and --version answer
# without a display. A second process on a store in use says so and ends.
. "$(dirname "$0")/lib.sh"

for bus in private none; do
    if [ $bus = none ]; then
        # An address where no bus listens: libdbus neither finds one nor starts its own.
        export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-bus"
    fi
    for opt in --help --version; do
        out=$(env -u DISPLAY "$QUORREL" $opt) || fail "$opt ended with status $? ($bus bus)"
        case "$opt:$out" in
        --help:*--toggle*|--version:"Quorrel "[0-9]*) ;;
        *) fail "$opt printed: $out" ;;
        esac
    done
done
unset DBUS_SESSION_BUS_ADDRESS

start_x
rc=0
"$QUORREL" --tggle 2>"$E2E_TMP/wrong.txt" || rc=$?
[ $rc = 2 ] && grep -q "unknown option '--tggle'" "$E2E_TMP/wrong.txt" ||
    fail "a wrong option gave status $rc: $(cat "$E2E_TMP/wrong.txt")"
empty_collector Work
shown() { has_window 'Text Mode$'; }
hidden() { no_window 'Text Mode$'; }
quorrels() { pgrep -c -P $$ -x Quorrel || true; }

# run_quorrel ARGS...: a start that must end by itself with status 0; sets TOOK (ms).
run_quorrel() {
    local t0 rc=0
    t0=$(now_ms)
    timeout 10 "$QUORREL" "$@" >>"$E2E_TMP/quorrel.log" 2>&1 || rc=$?
    TOOK=$(($(now_ms) - t0))
    [ $rc = 0 ] || fail "quorrel $* ended with status $rc ($bus bus)"
}

for bus in private none; do
    if [ $bus = none ]; then export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-bus"; fi
    start_quorrel
    m=$(wait_window 'Text Mode$')
    focus "$m"
    settings=$(stat -c '%Y %s' "$DOCS/Clips/Data/Settings.ini")

    run_quorrel --toggle
    wait_until 5 hidden || fail "--toggle did not hide the window ($bus bus)"
    run_quorrel --toggle
    wait_until 5 shown || fail "--toggle did not show the window ($bus bus)"
    wait_until 3 is_active "$m" || fail "the window shown by --toggle has not the keyboard ($bus bus)"

    # A second start while the window is hidden: it shows the window, with the keyboard, and ends.
    run_quorrel --toggle
    wait_until 5 hidden || fail "--toggle did not hide the window ($bus bus)"
    run_quorrel
    echo "second start ($bus bus): $TOOK ms" >&2
    wait_until 5 shown || fail "a second start did not show the window ($bus bus)"
    wait_until 3 is_active "$m" || fail "the window shown by a second start has not the keyboard"

    # --show brings back a minimised window; a shown one stays shown.
    xdotool windowminimize "$m"
    wait_until 5 hidden || fail "the window did not minimise"
    run_quorrel --show
    wait_until 5 shown || fail "--show did not bring back the minimised window ($bus bus)"
    run_quorrel --show
    holds 0.3 shown || fail "--show hid a shown window"
    [ "$(stat -c '%Y %s' "$DOCS/Clips/Data/Settings.ini")" = "$settings" ] ||
        fail "a second start wrote the store's settings"
    running || fail "the first copy ended ($bus bus)"
    stop "$QPID" Quorrel
    QPID=""

    # Two starts at the same moment: one runs, the other shows it and ends.
    QT_QPA_PLATFORM=xcb "$QUORREL" >>"$E2E_TMP/quorrel.log" 2>&1 &
    a=$!
    QT_QPA_PLATFORM=xcb "$QUORREL" >>"$E2E_TMP/quorrel.log" 2>&1 &
    b=$!
    HELPER_PIDS+=($a $b)
    one_ended() { ! kill -0 $a 2>/dev/null || ! kill -0 $b 2>/dev/null; }
    wait_until 10 one_ended || fail "two starts at once both still run after 10 s ($bus bus)"
    wait_window 'Text Mode$' >/dev/null
    holds 0.5 test "$(quorrels)" = 1 || fail "two starts at once left $(quorrels) copies ($bus bus)"
    [ "$(x_search --name 'Text Mode$' | wc -l)" = 1 ] || fail "two text-mode windows ($bus bus)"
    for p in $a $b; do
        if ! kill -0 $p 2>/dev/null; then
            rc=0; wait $p || rc=$?
            [ $rc = 0 ] || fail "the start that found another ended with status $rc ($bus bus)"
        else
            stop $p Quorrel
        fi
    done
done
unset DBUS_SESSION_BUS_ADDRESS

# Another session of the same user (here: another runtime folder and bus) on the same store: the
# second process says so in a message box and ends, and the store is as it was.
start_quorrel
wait_window 'Text Mode$' >/dev/null
before=$(cd "$DOCS" && find . -printf '%p %s %T@\n' | sort)
other=$E2E_TMP/other-run
mkdir -p "$other" && chmod 700 "$other"
XDG_RUNTIME_DIR=$other DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-bus" \
    QT_QPA_PLATFORM=xcb "$QUORREL" >>"$E2E_TMP/quorrel.log" 2>&1 &
second=$!
HELPER_PIDS+=($second)
box=$(wait_window '^Quorrel$')
press_until "$box" Return no_window '^Quorrel$' || fail "Enter did not close the message box"
second_ended() { ! kill -0 $second 2>/dev/null; }
wait_until 5 second_ended || fail "the second process on the store did not end"
[ "$(cd "$DOCS" && find . -printf '%p %s %T@\n' | sort)" = "$before" ] ||
    fail "the second process changed the store"
running || fail "the first copy ended"
echo "session end to end: passed"
