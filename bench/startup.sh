#!/usr/bin/env bash
# Times the real program from process start to the text-mode window on screen, with a collector
# of 32,767 clips open, and reads its resident memory then; also the time from another
# program's copy to Text1 showing it. Medians of several runs. Usage: bench/startup.sh BUILD_DIR
set -euo pipefail
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
if [ -x "$BUILD/bench/bench_clipboard" ]; then "$BUILD/bench/bench_clipboard"; fi
