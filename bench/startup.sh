#!/usr/bin/env bash
# Times the real program from process start to the text-mode window on screen, with a collector
# of 32,767 clips open, and reads its resident memory then; also the time from another
# program's copy to Text1 showing it; what being the session's one copy costs a start, and how
# long a second start takes to hand over and end. Medians of several runs, on a session bus of
# its own. Usage: bench/startup.sh BUILD_DIR
set -euo pipefail
if [ -z "${BENCH_PRIVATE_BUS:-}" ]; then
    BENCH_PRIVATE_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
BUILD=${1:-build}
BUILD=$(cd "$BUILD" && pwd)
T=$(mktemp -d /tmp/quorrel-bench.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$T"' EXIT
export HOME=$T/home XDG_RUNTIME_DIR=$T/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
D=$HOME/Documents/Clips/Data/Work
mkdir -p "$D"
printf '[Collector]\r\nLabel=Work\r\nOpen=x\r\nSkip=Work\r\n' >"$HOME/Documents/Clips/Data/Settings.ini"
printf '[Collector]\r\nClipNumber=32767\r\n' >"$D/Settings.ini"
awk 'BEGIN{for(i=1;i<=32767;i++) printf "%d) clip number %d with some text\r\n", i, i}' >"$D/Data"
awk 'BEGIN{for(i=1;i<=32767;i++) printf "%d\r\n", i}' >"$D/Numb"
mkfifo "$T/fd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$T/fd" >/dev/null 2>&1 &
read -r n <"$T/fd"
export DISPLAY=:$n
runs=()
for i in 1 2 3 4 5 6 7; do
    runs+=("$("$BUILD/bench/startup_probe" "Text Mode" "$BUILD/Quorrel")")
done
printf '%s\n' "${runs[@]}" | sort -n -k2 | awk '{ms[NR]=$2; rss[NR]=$4} END {
    m=int((NR+1)/2); printf "start to window shown: median %.1f ms (of %d runs)\n", ms[m], NR }'
printf '%s\n' "${runs[@]}" | sort -n -k4 | awk '{rss[NR]=$4} END {
    m=int((NR+1)/2); printf "resident memory then: median %.1f MB\n", rss[m]/1024 }'
# A second start while the first runs: from its start to its end, the window shown by the first.
"$BUILD/Quorrel" >/dev/null 2>&1 &
first=$!
timeout 20 xdotool search --sync --onlyvisible --name 'Text Mode$' >/dev/null
seconds=()
for i in 1 2 3 4 5 6 7; do
    t0=$(date +%s%N)
    "$BUILD/Quorrel"
    seconds+=("$((($(date +%s%N) - t0) / 1000))")
done
kill "$first"
printf '%s\n' "${seconds[@]}" | sort -n | awk '{us[NR]=$1} END {
    m=int((NR+1)/2); printf "second start, handed over and ended: median %.1f ms\n", us[m]/1000 }'
if [ -x "$BUILD/bench/bench_session" ]; then "$BUILD/bench/bench_session"; fi
if [ -x "$BUILD/bench/bench_clipboard" ]; then "$BUILD/bench/bench_clipboard"; fi
