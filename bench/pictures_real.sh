#!/usr/bin/env bash
# Graphics mode with 8K pictures (7680 x 4320), the real program under a private Xvfb + openbox:
#   start  the program starts with 15 such pictures stored: time to the text-mode window, time
#          until it has finished with the pictures (no more CPU used), the longest stall of the
#          window thread once it runs events, and the peak resident memory;
#   add    Add To Collector of one more 8K picture (copied by xclip as PNG) into 14: time until
#          PicNum says 15, time until the program is idle again, longest stall, peak memory.
# Stalls are measured from outside by libstall_probe.so (preloaded); memory is VmHWM, reset
# before the add. Medians of RUNS runs.
#
# Usage: bash bench/pictures_real.sh BUILD_DIR [RUNS]
#   needs the targets Quorrel and stall_probe built in BUILD_DIR.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
RUNS=${2:-3}
PROBE=$BUILD/bench/libstall_probe.so
[ -e "$PROBE" ] || { echo "missing $PROBE: cmake --build $BUILD --target stall_probe" >&2; exit 1; }
. "$(dirname "$0")/../tests/e2e/lib.sh" "$BUILD/Quorrel"
set +E
trap - ERR

now_ns() { date +%s%N; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$QPID/stat"; }
# settle: waits until the program has used no CPU for 0.6 s; prints when it last did (ns).
settle() {
    local last t quiet=0 since
    last=$(cpu_ticks); since=$(now_ns)
    while [ $quiet -lt 12 ]; do
        sleep 0.05
        t=$(cpu_ticks)
        if [ "$t" != "$last" ]; then last=$t; since=$(now_ns); quiet=0; else quiet=$((quiet + 1)); fi
    done
    echo "$since"
}
# stall_max FILE FROM_NS TO_NS: the longest wait (ms) of a probe callback posted in the span.
stall_max() {
    awk -v a="$2" -v b="$3" '
        ($1 == "stall" && $2 + 0 >= a + 0 && $2 + 0 <= b + 0 && $3 + 0 > m) { m = $3 + 0 }
        ($1 == "tick" && $2 + 0 >= a + 0 && $2 + 0 <= b + 0 + 1e9 && $4 + 0 > m) { m = $4 + 0 }
        END { printf "%.0f\n", m }' "$1"
}
hwm_mb() { awk '/^VmHWM/ { printf "%.0f\n", $2 / 1024 }' "/proc/$QPID/status"; }
ms_between() { echo $((($2 - $1) / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

start_x
empty_collector Work
mkdir -p "$C/Pix"
echo "making the pictures..." >&2
convert -size 7680x4320 gradient:'#204080-#f0c020' -type TrueColor "BMP3:$E2E_TMP/8k.bmp"
convert -size 7680x4320 gradient:'#e04020-#20a0f0' "$E2E_TMP/8k.png"
for n in $(seq 15); do cp "$E2E_TMP/8k.bmp" "$C/Pix/$n.jpg"; done
printf '[Collector]\r\nPicNum=15\r\n' >"$C/Pix/Settings.ini"

run_quorrel() {
    STALL_PROBE_OUT=$E2E_TMP/probe LD_PRELOAD=$PROBE QT_QPA_PLATFORM=xcb \
        "$QUORREL" >>"$E2E_TMP/quorrel.log" 2>&1 &
    QPID=$!
}
quit_quorrel() { stop "$QPID" Quorrel; QPID=""; }

R=$E2E_TMP/results
: >"$R"
for run in $(seq "$RUNS"); do
    # The start with 15 pictures.
    t0=$(now_ns)
    run_quorrel
    m=$(wait_window 'Text Mode$' 60)
    t1=$(now_ns)
    t2=$(settle)
    echo "start_window_ms $(ms_between "$t0" "$t1")" >>"$R"
    echo "start_done_ms $(ms_between "$t0" "$t2")" >>"$R"
    echo "start_stall_ms $(stall_max "$E2E_TMP/probe.$QPID" "$t0" "$t2")" >>"$R"
    echo "start_peak_mb $(hwm_mb)" >>"$R"

    # Add To Collector of a 15th picture.
    rm "$C/Pix/15.jpg"
    printf '[Collector]\r\nPicNum=14\r\n' >"$C/Pix/Settings.ini"
    key_to "$m" alt+g
    p=$(wait_window 'Graphics Mode$' 60)
    serve_clip image/png "$E2E_TMP/8k.png"
    settle >/dev/null
    echo 5 >"/proc/$QPID/clear_refs" # VmHWM from here on
    focus "$p"
    t0=$(now_ns)
    xdotool key Return
    wait_until 120 grep -q $'^PicNum=15\r$' "$C/Pix/Settings.ini" || fail "the picture was not added"
    t1=$(now_ns)
    t2=$(settle)
    echo "add_stored_ms $(ms_between "$t0" "$t1")" >>"$R"
    echo "add_done_ms $(ms_between "$t0" "$t2")" >>"$R"
    echo "add_stall_ms $(stall_max "$E2E_TMP/probe.$QPID" "$t0" "$t2")" >>"$R"
    echo "add_peak_mb $(hwm_mb)" >>"$R"
    quit_quorrel
    for h in "${HELPER_PIDS[@]}"; do stop "$h" xclip; done
    HELPER_PIDS=()
    cp "$E2E_TMP/8k.bmp" "$C/Pix/15.jpg"
    printf '[Collector]\r\nPicNum=15\r\n' >"$C/Pix/Settings.ini"
done

echo "8K pictures, $RUNS runs, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); medians:"
for k in start_window_ms start_done_ms start_stall_ms start_peak_mb \
    add_stored_ms add_done_ms add_stall_ms add_peak_mb; do
    printf '  %-16s %s\n' "$k" "$(awk -v k=$k '$1 == k { print $2 }' "$R" | median)"
done
