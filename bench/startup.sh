#!/usr/bin/env bash
# Times the real program from process start to its text-mode window on screen, beside a bare Qt
# window started the same way (bench/bare_window), on one private X server and session bus:
# with an empty collector open and with one of 32,767 clips. A bare window with one label of text
# beside them shows the floor for any window that says something: its first text makes Qt read
# the desktop's font configuration. The four starts take turns, RUNS rounds (7 unless told), so
# that a load which comes and goes weighs on all of them alike.
# Prints medians of the time to the window and of the processor time, each start's ratio to the
# bare window (median of the rounds' ratios), the resident memory with the full collector; then
# how long a second start takes to hand its request to the running copy and end, what being the
# session's one copy costs a start (bench/bench_session), and the clipboard benchmark.
# Given a second build (an earlier one, to weigh a change), its Quorrel takes its turns in the
# same rounds and its figures follow.
# Usage: bench/startup.sh BUILD_DIR [RUNS] [EARLIER_BUILD_DIR]
set -euo pipefail
BUILD=${1:-build}
BUILD=$(cd "$BUILD" && pwd)
RUNS=${2:-7}
EARLIER=${3:-}
if [ -n "$EARLIER" ]; then EARLIER=$(cd "$EARLIER" && pwd); fi
# A private session bus: nothing the desktop runs answers, and nothing is left behind.
if [ -z "${QUORREL_BENCH_BUS:-}" ]; then
    QUORREL_BENCH_BUS=1 exec dbus-run-session -- bash "$0" "$BUILD" "$RUNS" "$EARLIER"
fi
T=$(mktemp -d /tmp/quorrel-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$T"' EXIT
export XDG_RUNTIME_DIR=$T/run QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# collector HOME CLIPS: a home whose open collector Work holds CLIPS clips.
collector() {
    local d=$1/Documents/Clips/Data/Work
    mkdir -p "$d"
    printf '[Collector]\r\nLabel=Work\r\nOpen=%s\r\nSkip=Work\r\n' "$d" >"$1/Documents/Clips/Data/Settings.ini"
    printf '[Collector]\r\nClipNumber=%d\r\n' "$2" >"$d/Settings.ini"
    awk -v n="$2" 'BEGIN{for(i=1;i<=n;i++) printf "%d) clip number %d with some text\r\n", i, i}' >"$d/Data"
    awk -v n="$2" 'BEGIN{for(i=1;i<=n;i++) printf "%d\r\n", i}' >"$d/Numb"
}
collector "$T/empty" 0
collector "$T/full" 32767

mkfifo "$T/fd"
# -noreset: the server would reset when the last program leaves, and refuse the next meanwhile.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$T/fd" >/dev/null 2>&1 &
read -r n <"$T/fd"
export DISPLAY=:$n

# probe PROGRAM: "MS CPU_MS RSS_KB" of one start.
probe() { "$BUILD/bench/startup_probe" "Text Mode" "$@" | awk '{print $2, $6, $4}'; }
: >"$T/rounds"
for ((i = 0; i < RUNS; i++)); do
    # bare_ms bare_cpu label_ms label_cpu empty_ms empty_cpu full_ms full_cpu full_rss_kb, then
    # empty and full starting at column 10 for the earlier build
    earlier=""
    if [ -n "$EARLIER" ]; then
        earlier="$(HOME=$T/empty probe "$EARLIER/Quorrel" | cut -d' ' -f1,2) $(HOME=$T/full probe "$EARLIER/Quorrel")"
    fi
    echo "$(HOME=$T/bare probe "$BUILD/bench/bare_window" | cut -d' ' -f1,2)" \
        "$(HOME=$T/bare probe "$BUILD/bench/bare_window" --label | cut -d' ' -f1,2)" \
        "$(HOME=$T/empty probe "$BUILD/Quorrel" | cut -d' ' -f1,2)" \
        "$(HOME=$T/full probe "$BUILD/Quorrel")" $earlier >>"$T/rounds"
done
median() { sort -n | awk '{v[NR]=$1} END {m=int((NR+1)/2); printf "%.1f", v[m]}'; }
col() { awk -v c="$1" '{print $c}' "$T/rounds" | median; }
ratio() {
    awk -v c="$1" -v b="$2" '{printf "%.3f\n", $c / $b}' "$T/rounds" | sort -n |
        awk '{v[NR]=$1} END {m=int((NR+1)/2); printf "%.2f", v[m]}'
}
echo "start to window shown (and processor time, start to quit), medians of $RUNS interleaved rounds:"
echo "  bare Qt window:            $(col 1) ms  (cpu $(col 2) ms)"
echo "  bare window, one label:    $(col 3) ms  (cpu $(col 4) ms)  $(ratio 3 1)x the bare window (cpu $(ratio 4 2)x)"
echo "  Quorrel, empty collector:  $(col 5) ms  (cpu $(col 6) ms)  $(ratio 5 1)x the bare window (cpu $(ratio 6 2)x), $(ratio 5 3)x the label window"
echo "  Quorrel, 32,767 clips:     $(col 7) ms  (cpu $(col 8) ms)  $(ratio 7 1)x the bare window (cpu $(ratio 8 2)x), $(ratio 7 3)x the label window"
echo "resident memory with 32,767 clips: $(awk '{print $9 / 1024}' "$T/rounds" | median) MB"
if [ -n "$EARLIER" ]; then
    echo "the earlier build ($EARLIER), in the same rounds:"
    echo "  Quorrel, empty collector:  $(col 10) ms  (cpu $(col 11) ms)  $(ratio 10 1)x the bare window (cpu $(ratio 11 2)x)"
    echo "  Quorrel, 32,767 clips:     $(col 12) ms  (cpu $(col 13) ms)  $(ratio 12 1)x the bare window (cpu $(ratio 13 2)x)"
    echo "  resident memory with 32,767 clips: $(awk '{print $14 / 1024}' "$T/rounds" | median) MB"
fi
# A second start while the first runs: from its start to its end.
HOME=$T/empty "$BUILD/Quorrel" >/dev/null 2>&1 &
first=$!
timeout 20 xdotool search --sync --onlyvisible --name 'Text Mode$' >/dev/null
: >"$T/seconds"
: >"$T/seconds.earlier"
# second BUILD_DIR FILE: one second start's microseconds, added to FILE.
second() {
    local t0
    t0=$(date +%s%N)
    HOME=$T/empty "$1/Quorrel"
    echo "$((($(date +%s%N) - t0) / 1000))" >>"$2"
}
for ((i = 0; i < RUNS; i++)); do
    second "$BUILD" "$T/seconds"
    if [ -n "$EARLIER" ]; then second "$EARLIER" "$T/seconds.earlier"; fi
done
kill "$first"
echo "second start, handed over and ended: $(awk '{print $1 / 1000}' "$T/seconds" | median) ms"
if [ -n "$EARLIER" ]; then
    echo "  the earlier build's: $(awk '{print $1 / 1000}' "$T/seconds.earlier" | median) ms"
fi
if [ -x "$BUILD/bench/bench_session" ]; then "$BUILD/bench/bench_session"; fi
if [ -x "$BUILD/bench/bench_clipboard" ]; then "$BUILD/bench/bench_clipboard"; fi
