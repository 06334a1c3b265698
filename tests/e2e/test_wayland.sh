#!/usr/bin/env bash
# Quorrel on a Wayland desktop (headless sway, windows on Xwayland) while a native window has
# the focus, as it has whenever a user copies in a native program: native copies reach Quorrel,
# Quorrel's copies (text and a 1280 x 1024 picture) reach native programs whole, a copy outlives
# its program, a password is not kept, and an owner that never sends holds nothing up.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/sway.sh"
export QUORREL_TRACE="$E2E_TMP/trace"
: >"$QUORREL_TRACE"
WL_OWNER=${WL_OWNER:-${QUORREL_BUILD:-build}/tests/wl_owner}

start_sway
start_native
empty_collector Work
need_x
start_quorrel_wayland
m=$(need_x && wait_window 'Text Mode$' 20)
# Quorrel's window took the focus; the user goes on in a native program.
focus_native

notices() { wc -l <"$QUORREL_TRACE"; }
notice_after() { tail -n +"$(($1 + 1))" "$QUORREL_TRACE" | grep -q -- "$2"; }
wait_notice() {
    wait_until "${3:-10}" notice_after "$1" "$2" ||
        fail "no clipboard notice matching '$2'; notices: $(tail -n +"$(($1 + 1))" "$QUORREL_TRACE")"
}
# owner ARGS...: wl_owner in the background, remembered by PID in OWNER, once it holds the
# clipboard.
owner() {
    : >"$E2E_TMP/owner.out"
    "$WL_OWNER" "$@" >"$E2E_TMP/owner.out" 2>&1 &
    OWNER=$!
    HELPER_PIDS+=("$OWNER")
    wait_until 10 grep -q '^ready' "$E2E_TMP/owner.out" ||
        fail "wl_owner $* did not take the clipboard: $(cat "$E2E_TMP/owner.out")"
}
gone() { ! kill -0 "$1" 2>/dev/null; }
paste_is() { cmp -s <(wl-paste -n -t "$1" 2>/dev/null) "$2"; }

# --- A native copy reaches Quorrel while the native window has the focus. ---
n=$(notices)
wl-copy --foreground 'from a native program' >/dev/null 2>&1 &
copier=$!
HELPER_PIDS+=("$copier")
wait_notice "$n" 'head=from a native program'
focused_is native-e2e || fail "the native window lost the focus to '$(focused_app)'"

# --- The copy outlives its program: Quorrel serves it once wl-copy is gone. ---
stop "$copier" wl-copy
printf 'from a native program' >"$E2E_TMP/kept.txt"
wait_until 5 paste_is text/plain "$E2E_TMP/kept.txt" ||
    fail "the copy did not outlive its program: wl-paste gives '$(wl-paste -n 2>&1 | head -c 80)'"

# --- Quorrel's own copies reach native programs whole: 5 MB of text and a 1280 x 1024 PNG,
# kept when their owner quit and then served by Quorrel alone. ---
python3 -c 'import sys
line = "".join(chr(0x41 + i % 26) for i in range(99)) + "\n"
sys.stdout.write(line * 52000 + "last line ü")' >"$E2E_TMP/big.txt"
n=$(notices)
owner text/plain\;charset=utf-8 "$E2E_TMP/big.txt"
wait_notice "$n" 'text=5200011 .*head=ABCDEFG' 20
stop "$OWNER" wl_owner
wait_until 10 paste_is 'text/plain;charset=utf-8' "$E2E_TMP/big.txt" ||
    fail "5 MB of kept text did not reach wl-paste whole: $(wl-paste -n | wc -c) of $(wc -c <"$E2E_TMP/big.txt") bytes"

# A picture with detail everywhere, so that a cut-off or empty copy cannot pass.
convert -size 1280x1024 plasma:red-blue -seed 7 -depth 8 "PNG24:$E2E_TMP/big.png"
n=$(notices)
owner image/png "$E2E_TMP/big.png"
wait_notice "$n" 'picture=1280x1024' 20
stop "$OWNER" wl_owner
same_picture() {
    wl-paste -t image/png >"$E2E_TMP/pasted.png" 2>/dev/null &&
        [ "$(compare -metric AE "$E2E_TMP/big.png" "$E2E_TMP/pasted.png" null: 2>&1)" = 0 ]
}
wait_until 10 same_picture ||
    fail "the kept 1280x1024 PNG did not reach wl-paste whole: $(wc -c <"$E2E_TMP/pasted.png") bytes, $(identify "$E2E_TMP/pasted.png" 2>&1 | head -c 200)"
for i in 1 2 3; do
    same_picture || fail "paste $i of the picture differed: $(wc -c <"$E2E_TMP/pasted.png") bytes"
done

# --- A password is not kept: marked secret, it goes with its program. ---
printf 'hunter2' >"$E2E_TMP/pw.txt"
printf 'secret' >"$E2E_TMP/hint"
n=$(notices)
owner text/plain\;charset=utf-8 "$E2E_TMP/pw.txt" x-kde-passwordManagerHint "$E2E_TMP/hint"
wait_notice "$n" 'secret=1'
n=$(notices)
stop "$OWNER" wl_owner
wait_notice "$n" 'text=0 picture=0x0 secret=0'
[ -z "$(wl-paste -n 2>/dev/null)" ] || fail "the password was kept: '$(wl-paste -n)'"

# --- An owner that never sends holds nothing up: the next copy arrives at once. ---
n=$(notices)
owner --silent text/plain\;charset=utf-8 /dev/null
silent=$OWNER
t0=$(now_ms)
wl-copy --foreground 'after the silent one' >/dev/null 2>&1 &
HELPER_PIDS+=($!)
wait_notice "$n" 'head=after the silent one' 1.5
echo "a copy after a silent owner arrived in $(($(now_ms) - t0)) ms"
wait_until 5 gone "$silent" || fail "the silent owner was not replaced"

running || fail "Quorrel ended"
echo "wayland clipboard end to end: passed"
