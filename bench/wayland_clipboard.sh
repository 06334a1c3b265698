#!/usr/bin/env bash
# Quorrel's clipboard on a Wayland desktop, beside the X11 figures of bench/clipboard_real.sh:
# under headless sway with a native window focused, the time from a native copy (wl-copy's start
# included) to Text1 showing it, and for a 5 MB and a 50 MB native copy the window thread's
# longest stall (libstall_probe.so preloaded) and the peak resident memory.
#
# Usage: bash bench/wayland_clipboard.sh BUILD_DIR [SMALL_COPIES]
#   needs the targets Quorrel stall_probe clip_latency built in BUILD_DIR; runs as root (sway
#   then runs as the user the end-to-end tests make) or as a user.
# (Run again inside a private session bus with the program's path as its only argument.)
arg=${1:-build}
[ -f "$arg" ] && arg=$(dirname "$arg")
BUILD=$(cd "$arg" && pwd)
export BENCH_COPIES=${2:-${BENCH_COPIES:-20}}
COPIES=$BENCH_COPIES
SRC=$(cd "$(dirname "$0")/.." && pwd)
PROBE=$BUILD/bench/libstall_probe.so
LATENCY=$BUILD/bench/clip_latency
for f in "$BUILD/Quorrel" "$PROBE" "$LATENCY"; do
    [ -e "$f" ] || { echo "missing $f: cmake --build $BUILD --target Quorrel stall_probe clip_latency" >&2; exit 1; }
done
set -- "$BUILD/Quorrel"
. "$SRC/tests/e2e/lib.sh"
. "$SRC/tests/e2e/sway.sh"

start_sway
start_native
empty_collector Work
trace=$E2E_TMP/trace
: >"$trace"
need_x
PATH="$E2E_BIN" QUORREL_TRACE=$trace STALL_PROBE_OUT=$E2E_TMP/probe LD_PRELOAD=$PROBE QT_QPA_PLATFORM=xcb \
    "$QUORREL" >>"$E2E_TMP/quorrel.log" 2>&1 &
QPID=$!
wait_until 20 grep -q '^ready' "$E2E_TMP/probe.$QPID" || fail "Quorrel's window thread never ran the probe"
probe=$E2E_TMP/probe.$QPID
need_x
wait_window 'Text Mode$' 20 >/dev/null
focus_native

now_ns() { date +%s%N; }
# stall_max FROM_NS TO_NS: the longest wait (ms) of a callback posted in the span.
stall_max() {
    awk -v a="$1" -v b="$2" '
        ($1 == "stall" && $2 + 0 >= a + 0 && $2 + 0 <= b + 0 && $3 + 0 > m) { m = $3 + 0 }
        ($1 == "tick" && $2 + 0 >= a + 0 && $2 + 0 <= b + 0 + 1e9 && $4 + 0 > m) { m = $4 + 0 }
        END { if (m < 10) print "<10"; else printf "%.0f\n", m }' "$probe"
}
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
    else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
copier() { awk '$1 == "wl-copy" { print $2 }' <<<"$1"; }

echo "Wayland clipboard (headless sway 1.7, native window focused): $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
a=$(now_ns)
: >"$E2E_TMP/small"
for i in $(seq "$COPIES"); do
    out=$("$LATENCY" --wayland --text "native copy $i $RANDOM" --trace "$trace")
    HELPER_PIDS+=("$(copier "$out")")
    awk '$1 == "quorrel" { print $2 }' <<<"$out" >>"$E2E_TMP/small"
done
echo "native copy to Text1, median of $COPIES: $(grep -v none "$E2E_TMP/small" | median) ms ($(grep -c none "$E2E_TMP/small") lost); longest stall $(stall_max "$a" "$(now_ns)") ms"

for size in 5 50; do
    awk -v n=$((size * 20000)) -v tag="$size MB" 'BEGIN { for (i = 0; i < n; i++)
        printf "%-49s\n", sprintf("log line %07d of a large copy (%s)", i, tag) }' >"$E2E_TMP/big.txt"
    a=$(now_ns)
    out=$("$LATENCY" --wayland --file "$E2E_TMP/big.txt" --limit 120 --trace "$trace")
    HELPER_PIDS+=("$(copier "$out")")
    sleep 1 # Text1 and the list repaint after the notice
    echo "$size MB native copy: shown in $(awk '$1 == "quorrel" { print $2 }' <<<"$out") ms; longest window stall $(stall_max "$a" "$(now_ns)") ms"
    rm -f "$E2E_TMP/big.txt"
done
echo "peak resident memory over the run: $(awk '/^VmHWM/ { printf "%.0f", $2 / 1024 }' "/proc/$QPID/status") MB"
running || fail "Quorrel ended"
