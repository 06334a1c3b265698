# Helpers for the end-to-end tests: a private X server with a window manager, a fresh home with
# its own documents folder, the real program, and waits that poll for a state (never a fixed sleep
# standing in for one). Every wait has a limit and says what did not happen; every process these
# helpers start is remembered by its PID and ended by it, never by name.
set -eEuo pipefail

QUORREL=${1:?path to the Quorrel program}
E2E_NAME=$(basename "$0")
E2E_TMP=$(mktemp -d /tmp/quorrel-e2e.XXXXXX)
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
export XDG_RUNTIME_DIR="$E2E_TMP/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export XDG_CONFIG_HOME="$HOME/.config"
unset XDG_DOCUMENTS_DIR
DOCS="$HOME/Documents"
SHOTS=${QUORREL_SHOTS:-$E2E_TMP/shots}
mkdir -p "$SHOTS"
QPID=""
XPID=""
WMPID=""
HELPER_PIDS=() # clipboard servers and other helpers started by the tests

# A command that fails outside a condition ends the script; say where, so no run ends silently.
# Inside $(...) the subshell just ends: the line of the script that used it is reported.
on_err() {
    local rc=$? i where=""
    [ "$BASH_SUBSHELL" -eq 0 ] || exit "$rc"
    E2E_RC=$rc
    # The failing line, then each call that led there, out to the script.
    for ((i = 0; i < ${#FUNCNAME[@]} - 1; i++)); do
        where+=" <- $(basename "${BASH_SOURCE[i + 1]}"):${BASH_LINENO[i]}"
    done
    echo "FAIL: '$BASH_COMMAND' returned $rc at ${where# <- }" >&2
    exit "$rc"
}
trap on_err ERR

# is_child PID: the process is this shell's own child. A child that ended and was reaped may
# have left its PID to an unrelated process, which must not be touched.
is_child() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }          # after the command name, which may hold blanks
    [ "$(echo "$stat" | cut -d' ' -f2)" = "$$" ]
}

# stop PID NAME: ends a process this script started, by its PID: TERM, then KILL after 5 s.
stop() {
    local pid=$1 i
    is_child "$pid" || return 0
    kill "$pid" 2>/dev/null || return 0
    for i in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -0 "$pid" 2>/dev/null && { echo "note: $2 ($pid) ignored TERM" >&2; kill -9 "$pid" 2>/dev/null; }
    wait "$pid" 2>/dev/null || true
}

# A script may run its own steps before this in its EXIT trap ('mine; cleanup'): the status
# then comes from E2E_RC, set by fail and on_err. The script's exit status stays its own.
cleanup() {
    local rc=${E2E_RC:-$?} p
    trap - ERR
    set +e
    if [ $rc != 0 ]; then
        shot "failed" 2>/dev/null
        [ -s "$E2E_TMP/quorrel.log" ] && { echo "--- Quorrel's output:" >&2; tail -n 20 "$E2E_TMP/quorrel.log" >&2; }
        echo "$E2E_NAME: FAILED (status $rc)" >&2
    fi
    [ -n "$QPID" ] && stop "$QPID" Quorrel
    for p in "${HELPER_PIDS[@]}"; do stop "$p" helper; done
    [ -n "$WMPID" ] && stop "$WMPID" openbox
    [ -n "$XPID" ] && stop "$XPID" Xvfb
    if [ -n "${KEEP_E2E:-}" ] || { [ $rc != 0 ] && [ -n "${QUORREL_SHOTS:-}" ]; }; then
        echo "kept $E2E_TMP" >&2
    else
        rm -rf "$E2E_TMP"
    fi
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ "$BASH_SUBSHELL" -gt 0 ] || E2E_RC=1
    exit 1
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
ms() { awk "BEGIN{print int($1 * 1000)}"; }

# wait_until SECONDS COMMAND...: polls COMMAND every 50 ms until it succeeds; fails after SECONDS
# (fractions allowed). COMMAND runs in this shell, so it may set variables for the caller.
wait_until() {
    local limit=$1; shift
    local end=$(( $(now_ms) + $(ms "$limit") ))
    until "$@" >/dev/null 2>&1; do
        [ "$(now_ms)" -lt $end ] || return 1
        sleep 0.05
    done
}

# holds SECONDS COMMAND...: COMMAND keeps succeeding for SECONDS; fails the moment it does not.
# For checks that something does NOT happen, where no later state can stand in.
holds() {
    local limit=$1; shift
    local end=$(( $(now_ms) + $(ms "$limit") ))
    while [ "$(now_ms)" -lt $end ]; do
        "$@" >/dev/null 2>&1 || return 1
        sleep 0.02
    done
}

start_x() {
    local fifo="$E2E_TMP/displayfd" num
    # An X11 session: the tests' own desktop, not the Wayland one they may have been started from.
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE
    mkfifo "$fifo"
    Xvfb -displayfd 6 -screen 0 1280x1024x24 -nolisten tcp 6>"$fifo" >/dev/null 2>&1 &
    XPID=$!
    read -r -t 20 num <"$fifo" || fail "Xvfb did not report a display within 20 s"
    export DISPLAY=":$num"
    # openbox runs its startup command once it manages windows; a window mapped before may be lost.
    openbox --startup "touch $E2E_TMP/wm-ready" >/dev/null 2>&1 &
    WMPID=$!
    wait_until 10 test -e "$E2E_TMP/wm-ready" || fail "openbox did not report ready within 10 s"
}

# empty_collector NAME: an empty collector NAME, open at start; its folder is left in $C.
empty_collector() {
    C="$DOCS/Clips/Data/$1"
    mkdir -p "$C"
    printf '[Collector]\r\nLabel=%s\r\nOpen=%s\r\nSkip=%s\r\n' "$1" "$C" "$1" \
        >"$DOCS/Clips/Data/Settings.ini"
    printf '[Collector]\r\nClipNumber=0\r\n' >"$C/Settings.ini"
}

# The program's PATH holds only what a test hands it with `provide TOOL`: what the machine has
# installed (a system monitor, a help viewer) would otherwise change what the program shows.
E2E_BIN="$E2E_TMP/bin"
mkdir -p "$E2E_BIN"
provide() { ln -sf "$(command -v "$1")" "$E2E_BIN/$1"; }

start_quorrel() {
    PATH="$E2E_BIN" QT_QPA_PLATFORM=xcb "$QUORREL" >>"$E2E_TMP/quorrel.log" 2>&1 &
    QPID=$!
}

# x_search ARGS...: the windows `xdotool search --onlyvisible ARGS` finds, one a line, maybe
# none. xdotool ends on an X error when a window goes while it looks at it: such a search says
# nothing either way, so it is made again; status 2 if it never gets through.
x_search() {
    local out err="$E2E_TMP/search.err" i
    for i in 1 2 3 4 5; do
        out=$(xdotool search --onlyvisible "$@" 2>"$err") || true
        grep -q 'X Error\|BadWindow' "$err" 2>/dev/null && continue
        [ -z "$out" ] || echo "$out"
        return 0
    done
    return 2
}

# window_id TITLE-REGEX: the first visible window whose name matches; status 1 when there is
# none, 2 when the search never got through.
window_id() {
    local out
    out=$(x_search --name "$1") || return 2
    [ -n "$out" ] || return 1
    echo "${out%%$'\n'*}"
}
has_window() { window_id "$1" >/dev/null; }
no_window() {
    local rc=0
    window_id "$1" >/dev/null || rc=$?
    [ $rc = 1 ]
}
# find_window TITLE-REGEX: sets WIN to the window found, for wait_window; also ends the wait
# when Quorrel has ended, which no window will follow.
find_window() {
    WIN=$(window_id "$1") && return 0
    [ -n "$QPID" ] && ! running
}
# wait_window TITLE-REGEX [SECONDS]: prints the window it waited for.
wait_window() {
    WIN=""
    wait_until "${2:-10}" find_window "$1" || fail "no window '$1' within ${2:-10} s"
    [ -n "$WIN" ] || fail "Quorrel ended before showing a window '$1'"
    echo "$WIN"
}
wait_no_window() { wait_until "${2:-10}" no_window "$1" || fail "window '$1' still shown after ${2:-10} s"; }
running() { kill -0 "$QPID" 2>/dev/null; }
ended() { ! kill -0 "$QPID" 2>/dev/null; }
wait_exit() {
    wait_until "${1:-10}" ended || fail "Quorrel did not end within ${1:-10} s"
    wait "$QPID" 2>/dev/null || true
    QPID=""
}

# file_is PATH BYTES: the file holds exactly BYTES. wait_file PATH BYTES [SECONDS]: waits for it.
file_is() { [ -f "$1" ] && cmp -s "$1" <(printf '%s' "$2"); }
wait_file() {
    wait_until "${3:-5}" file_is "$1" "$2" ||
        fail "$1 does not hold $(printf '%s' "$2" | od -An -c | tr -s ' ') after ${3:-5} s; it holds: $(od -An -c "$1" 2>/dev/null | head -3 | tr -s ' ')"
}

# serve_clip TARGET FILE: another program (xclip, kept in the foreground so that its PID is
# ours) owns the clipboard with FILE as TARGET. Returns once the clipboard holds it. xclip ends
# by itself when another program takes the clipboard.
clip_is() { cmp -s <(xclip -selection clipboard -o -t "$1" 2>/dev/null) "$2"; }
serve_clip() {
    xclip -quiet -selection clipboard -t "$1" -i "$2" >/dev/null 2>&1 &
    HELPER_PIDS+=($!)
    wait_until 5 clip_is "$1" "$2" || fail "xclip did not take the clipboard with $1 within 5 s"
}
copy_text() {
    printf '%s' "$1" >"$E2E_TMP/copy.txt"
    serve_clip UTF8_STRING "$E2E_TMP/copy.txt"
}
clip_out() { xclip -selection clipboard -o 2>/dev/null; }

shot() { import -window root "$SHOTS/$1.png"; }

# key_to WINDOW KEY...: types KEYs as a user does, into WINDOW once it has the keyboard. They go
# through the server's test extension, releases too: a release sent straight to a window that
# its key's press closed would never reach the server, which would then keep the key down and
# drop its next press.
key_to() {
    local w=$1 err; shift
    focus "$w"
    err=$(xdotool key "$@" 2>&1 >/dev/null) || fail "xdotool key $* to window $w: $err"
}

# click_at WINDOW X Y: a click at pixel X,Y of the window's client area.
click_at() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# Popups (menus, drop-down lists) are windows of their own: popup_shown N holds when Quorrel
# shows more than N windows. open_popup WINDOW KEY-OR-"click X Y": opens one and waits for it.
quorrel_windows() {
    local out
    out=$(x_search --pid "$QPID") || return 2
    [ -z "$out" ] && echo 0 || echo "$out" | wc -l
}
popup_shown() { [ "$(quorrel_windows)" -gt "$1" ]; }
open_popup() {
    local w=$1 before; shift
    before=$(quorrel_windows) || fail "Quorrel's windows could not be counted"
    [ "$before" -gt 0 ] || fail "Quorrel shows no window to open a popup from"
    if [ "$1" = click ]; then click_at "$w" "$2" "$3"; else key_to "$w" "$1"; fi
    wait_until 5 popup_shown "$before" || fail "no popup opened by '$*' within 5 s"
}

# menu_window WINDOW MENU-KEY ITEM-KEY TITLE-REGEX: opens a menu of WINDOW, chooses an entry
# by its key once the menu is shown, and prints the window TITLE that opens. A key can be lost
# while a window of a busy program still takes the focus: the whole choice is made up to three
# times before it counts as failed.
menu_window() {
    local w=$1 menu=$2 item=$3 title=$4 i
    for i in 1 2 3; do
        focus "$w"
        open_popup "$w" "$menu"
        xdotool key "$item"
        WIN=""
        wait_until 5 find_window "$title" && [ -n "$WIN" ] && { echo "$WIN"; return 0; }
        running || fail "Quorrel ended after $menu $item"
        # Close whatever menu is still open before the next try.
        has_window "$title" || xdotool key Escape Escape 2>/dev/null || true
    done
    fail "no window '$title' after $menu then $item, three times"
}

# hot_key_until SUPER CHECK...: holds SUPER + Alt until CHECK succeeds (the window toggled), then
# lets go at once, so that no second timer tick toggles it back. Fails after 3 s.
hot_key_until() {
    local super=$1; shift
    "$XTEST_KEY" down "$super"; "$XTEST_KEY" down Alt_L
    local ok=0
    wait_until 3 "$@" && ok=1
    "$XTEST_KEY" up Alt_L; "$XTEST_KEY" up "$super"
    [ $ok = 1 ]
}

# hot_key_never SUPER CHECK...: holds SUPER + Alt for half a second (two timer ticks) and fails
# if CHECK ever fails meanwhile.
hot_key_never() {
    local super=$1; shift
    "$XTEST_KEY" down "$super"; "$XTEST_KEY" down Alt_L
    local ok=0
    holds 0.5 "$@" && ok=1
    "$XTEST_KEY" up Alt_L; "$XTEST_KEY" up "$super"
    [ $ok = 1 ]
}

# focus WINDOW: activates it and waits until the window manager reports it active, so that
# keys and their shortcuts reach it.
# The window manager names the window active and the X server sends it the keys: between the
# two, the program is still taking the focus and a key typed then goes nowhere.
is_active() {
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] &&
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]
}
# activate WINDOW: asks the window manager to activate WINDOW unless it is active already:
# activating an active window makes openbox hand the focus round again, and a key typed
# meanwhile goes nowhere.
activate() {
    is_active "$1" || xdotool windowactivate "$1" >/dev/null 2>&1 || true
}
focus() {
    activate "$1"
    wait_until 3 is_active "$1" || fail "window $1 not active within 3 s"
}

# press_until [-w SECONDS] WINDOW KEY CHECK...: sends KEY to WINDOW until CHECK succeeds (a
# shortcut can be lost while the program is still taking the focus); fails after five tries.
# A key whose command must run only once (one that stores) is given SECONDS (1 unless told) to
# show its effect before it counts as lost: a store under load takes a while.
press_until() {
    local patience=1 w key i
    if [ "$1" = -w ]; then patience=$2; shift 2; fi
    w=$1 key=$2; shift 2
    for i in 1 2 3 4 5; do
        activate "$w"
        wait_until 1 is_active "$w" || continue
        xdotool key "$key" >/dev/null 2>&1 || true
        wait_until "$patience" "$@" && return 0
    done
    return 1
}
