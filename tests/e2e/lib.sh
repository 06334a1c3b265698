# Helpers for the end-to-end tests: a private X server with a window manager, a fresh home with
# its own documents folder, the real program, and waits that poll for a state (never a fixed sleep
# standing in for one).
set -euo pipefail

QUORREL=${1:?path to the Quorrel program}
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

cleanup() {
    [ -n "$QPID" ] && kill "$QPID" 2>/dev/null || true
    [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null || true
    pkill -f "xclip.*-display $DISPLAY" 2>/dev/null || true
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
    [ -n "${KEEP_E2E:-}" ] || rm -rf "$E2E_TMP"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# wait_until SECONDS COMMAND...: polls COMMAND every 50 ms until it succeeds.
wait_until() {
    local limit=$1; shift
    local end=$(( $(date +%s%N) / 1000000 + limit * 1000 ))
    until "$@" >/dev/null 2>&1; do
        [ $(( $(date +%s%N) / 1000000 )) -lt $end ] || return 1
        sleep 0.05
    done
}

start_x() {
    local fifo="$E2E_TMP/displayfd"
    mkfifo "$fifo"
    Xvfb -displayfd 6 -screen 0 1280x1024x24 -nolisten tcp 6>"$fifo" >/dev/null 2>&1 &
    XPID=$!
    local num
    read -r num <"$fifo"
    export DISPLAY=":$num"
    # openbox runs its startup command once it manages windows; a window mapped before may be lost.
    openbox --startup "touch $E2E_TMP/wm-ready" >/dev/null 2>&1 &
    WMPID=$!
    wait_until 10 test -e "$E2E_TMP/wm-ready" || fail "openbox did not start"
}

start_quorrel() {
    QT_QPA_PLATFORM=xcb "$QUORREL" >"$E2E_TMP/quorrel.log" 2>&1 &
    QPID=$!
}

# window_id TITLE-REGEX: the first visible window whose name matches.
window_id() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
has_window() { test -n "$(window_id "$1")"; }
no_window() { test -z "$(window_id "$1")"; }
wait_window() { wait_until "${2:-10}" has_window "$1" || fail "no window '$1'"; window_id "$1"; }
wait_no_window() { wait_until "${2:-10}" no_window "$1" || fail "window '$1' still shown"; }
running() { kill -0 "$QPID" 2>/dev/null; }
ended() { ! kill -0 "$QPID" 2>/dev/null; }
wait_exit() { wait_until "${1:-10}" ended || fail "Quorrel did not end"; wait "$QPID" 2>/dev/null || true; QPID=""; }

copy_text() { printf '%s' "$1" | xclip -selection clipboard -i >/dev/null 2>&1; }
clip_out() { xclip -selection clipboard -o 2>/dev/null; }

shot() { import -window root "$SHOTS/$1.png"; }

# click_at WINDOW X Y: a click at pixel X,Y of the window's client area.
click_at() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
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
    local ok=1 i
    for i in $(seq 25); do "$@" >/dev/null 2>&1 || ok=0; sleep 0.02; done
    "$XTEST_KEY" up Alt_L; "$XTEST_KEY" up "$super"
    [ $ok = 1 ]
}

# focus WINDOW: activates it and waits until the window manager reports it active, so that
# keys and their shortcuts reach it.
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
focus() {
    xdotool windowactivate "$1" >/dev/null 2>&1 || true
    wait_until 3 is_active "$1" || true
}

# press_until WINDOW KEY CHECK...: sends KEY to WINDOW until CHECK succeeds (a shortcut can be
# lost while the program is still taking the focus); fails after five tries.
press_until() {
    local w=$1 key=$2 i; shift 2
    for i in 1 2 3 4 5; do
        focus "$w"
        xdotool key --window "$w" "$key" 2>/dev/null || true
        wait_until 1 "$@" && return 0
    done
    return 1
}
