#!/usr/bin/env bash
# Quorrel's clipboard beside CopyQ, both real programs under a private Xvfb + openbox, each
# alone and then the two together: the longest stall of each window thread (small copies, a
# 5 MB and a 50 MB text copy from xclip, an owner that never answers), peak resident memory over
# the run, and the time from a small copy (xclip's start included) to the program showing it.
# Stalls are measured from outside by libstall_probe.so, preloaded into both programs.
#
# Usage: bash bench/clipboard_real.sh BUILD_DIR [SMALL_COPIES]
#   needs the targets Quorrel clip_owner stall_probe clip_latency built in BUILD_DIR, and
#   installs CopyQ (Debian package copyq) when it is missing.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
COPIES=${2:-20}
Q=$BUILD/Quorrel
PROBE=$BUILD/bench/libstall_probe.so
LATENCY=$BUILD/bench/clip_latency
OWNER=$BUILD/tests/clip_owner
for f in "$Q" "$PROBE" "$LATENCY" "$OWNER"; do
    [ -e "$f" ] || { echo "missing $f: cmake --build $BUILD --target Quorrel clip_owner stall_probe clip_latency" >&2; exit 1; }
done
if ! command -v copyq >/dev/null; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -q
    $SUDO apt-get install -y -q --no-install-recommends copyq
fi
for c in Xvfb openbox xclip xdotool; do
    command -v $c >/dev/null || { echo "missing $c (scripts/install-deps.sh)" >&2; exit 1; }
done

T=$(mktemp -d /tmp/quorrel-clipbench.XXXXXX)
STARTED=() # every process this script started and that may still run, ended by PID
stop_started() {
    local p
    for p in "${STARTED[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${STARTED[@]}"; do wait "$p" 2>/dev/null || true; done
    STARTED=()
}
XPID=""
WMPID=""
finish() {
    stop_started
    [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null || true
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
    [ -n "${KEEP_BENCH:-}" ] || rm -rf "$T"
}
trap finish EXIT

now_ns() { date +%s%N; }
wait_until() { # SECONDS COMMAND...: polls every 50 ms
    local end=$(($(date +%s) + $1)); shift
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -le $end ] || return 1
        sleep 0.05
    done
}
fail() { echo "FAIL: $*" >&2; exit 1; }
shown() { test -n "$(xdotool search --onlyvisible "$@" 2>/dev/null)"; } # ARGS of xdotool search
# alive PID NAME: fails with the exit status of a program that ended.
alive() {
    kill -0 "$1" 2>/dev/null && return 0
    local rc=0
    wait "$1" || rc=$?
    fail "$2 ended with status $rc"
}

# The X server and window manager, shared by every round.
mkfifo "$T/displayfd"
Xvfb -displayfd 6 -screen 0 1280x1024x24 -nolisten tcp 6>"$T/displayfd" >/dev/null 2>&1 &
XPID=$!
read -r num <"$T/displayfd"
export DISPLAY=":$num"
openbox --startup "touch $T/wm-ready" >/dev/null 2>&1 &
WMPID=$!
wait_until 10 test -e "$T/wm-ready" || fail "openbox did not start"

# The copies: ASCII lines of 50 bytes, 5,000,000 and 50,000,000 bytes.
make_text() { awk -v n="$2" -v tag="$3" 'BEGIN { for (i = 0; i < n; i++)
    printf "%-49s\n", sprintf("log line %07d of a large copy (%s)", i, tag) }' >"$1"; }

# stall_max FILE FROM_NS TO_NS: the longest wait (ms) of a callback posted in the span, counting
# one still outstanding; "<10" when none reached 10 ms.
stall_max() {
    [ -e "$1" ] || { echo "-"; return; }
    awk -v a="$2" -v b="$3" '
        ($1 == "stall" && $2 + 0 >= a + 0 && $2 + 0 <= b + 0 && $3 + 0 > m) { m = $3 + 0 }
        ($1 == "tick" && $2 + 0 >= a + 0 && $2 + 0 <= b + 0 + 1e9 && $4 + 0 > m) { m = $4 + 0 }
        END { if (m < 10) print "<10"; else printf "%.0f\n", m }' "$1"
}
hwm_mb() { awk '/^VmHWM/ { printf "%.0f\n", $2 / 1024 }' "/proc/$1/status" 2>/dev/null || echo "-"; }
median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2];
    else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

RESULTS=$T/results
: >"$RESULTS"
result() { echo "$*" >>"$RESULTS"; } # ROUND WHO WHAT VALUE

# run ROUND USE_QUORREL USE_COPYQ
run() {
    local round=$1 useQ=$2 useC=$3 d
    d=$T/$round
    mkdir -p "$d/home/Documents/Clips/Data/Work" "$d/run"
    chmod 700 "$d/run"
    local -x HOME=$d/home XDG_RUNTIME_DIR=$d/run XDG_CONFIG_HOME=$d/home/.config
    unset XDG_DOCUMENTS_DIR
    printf '[Collector]\r\nLabel=Work\r\nOpen=x\r\nSkip=Work\r\n' >"$HOME/Documents/Clips/Data/Settings.ini"
    printf '[Collector]\r\nClipNumber=0\r\n' >"$HOME/Documents/Clips/Data/Work/Settings.ini"
    local trace=$d/trace
    : >"$trace"
    "$OWNER" clear # nothing left over from the last round

    local qpid="" cpid="" mpid="" watch=()
    if [ "$useQ" = 1 ]; then
        QUORREL_TRACE=$trace STALL_PROBE_OUT=$d/probe LD_PRELOAD=$PROBE QT_QPA_PLATFORM=xcb \
            "$Q" >"$d/quorrel.log" 2>&1 &
        qpid=$!
        STARTED+=("$qpid")
        wait_until 20 grep -q '^ready' "$d/probe.$qpid" || fail "Quorrel's window thread never ran the probe"
        wait_until 20 shown --name 'Text Mode$' || { alive "$qpid" Quorrel; fail "no Quorrel window"; }
        watch+=(--trace "$trace")
    fi
    if [ "$useC" = 1 ]; then
        STALL_PROBE_OUT=$d/probe LD_PRELOAD=$PROBE QT_QPA_PLATFORM=xcb copyq >"$d/copyq.log" 2>&1 &
        cpid=$!
        STARTED+=("$cpid")
        wait_until 20 copyq count || { alive "$cpid" CopyQ; fail "CopyQ did not start"; }
        copyq config close_on_unfocus false >/dev/null # stays shown beside Quorrel's window
        copyq show
        wait_until 20 shown --class '^copyq$' || { alive "$cpid" CopyQ; fail "no CopyQ window"; }
        wait_until 20 grep -q '^ready' "$d/probe.$cpid" || fail "CopyQ's window thread never ran the probe"
        monitor() { pgrep -P "$cpid" -f monitorClipboard | head -n1; }
        has_monitor() { test -n "$(monitor)"; }
        wait_until 20 has_monitor || fail "CopyQ started no clipboard monitor"
        mpid=$(monitor)
        watch+=(--copyq)
    fi
    local who=()
    [ -n "$qpid" ] && who+=("quorrel:$d/probe.$qpid")
    [ -n "$cpid" ] && who+=("copyq:$d/probe.$cpid")
    phase() { # NAME FROM_NS TO_NS: each program's longest stall in the span
        local w
        for w in "${who[@]}"; do result "$round" "${w%%:*}" "stall_$1" "$(stall_max "${w#*:}" "$2" "$3")"; done
    }

    # Nothing happens: what this machine's load alone does to the probe.
    local a b
    a=$(now_ns); sleep 3; b=$(now_ns)
    phase idle "$a" "$b"

    # Small copies: the time to show each.
    local i out xc w
    a=$(now_ns)
    for i in $(seq "$COPIES"); do
        out=$("$LATENCY" --text "small copy $i $RANDOM" "${watch[@]}")
        xc=$(awk '$1 == "xclip" { print $2 }' <<<"$out")
        STARTED+=("$xc")
        awk '$1 == "quorrel" || $1 == "copyq" { print $2 >>(dir "/small." $1) }' dir="$d" <<<"$out"
    done
    b=$(now_ns)
    phase small "$a" "$b"
    for w in "${who[@]}"; do
        w=${w%%:*}
        result "$round" "$w" small_median_ms "$(grep -v none "$d/small.$w" | median)"
        result "$round" "$w" small_lost "$(grep -c none "$d/small.$w" || true)"
    done

    # 5 MB and 50 MB: the time until shown, the stalls until a second after.
    local size
    for size in 5 50; do
        make_text "$d/big.txt" $((size * 20000)) "$size MB"
        a=$(now_ns)
        out=$("$LATENCY" --file "$d/big.txt" --limit 120 "${watch[@]}")
        b=$(now_ns)
        xc=$(awk '$1 == "xclip" { print $2 }' <<<"$out")
        STARTED+=("$xc")
        sleep 1 # the list and text box repaint after the notice
        phase "${size}mb" "$a" "$(now_ns)"
        awk -v r="$round" -v s="$size" '$1 == "quorrel" || $1 == "copyq" { print r, $1, "shown_" s "mb_ms", $2 }' \
            <<<"$out" >>"$RESULTS"
        [ -n "$qpid" ] && result "$round" quorrel "notice_${size}mb" "$(tail -n1 "$trace" | cut -d' ' -f2)"
        rm -f "$d/big.txt"
    done

    # An owner that never answers, watched for 8 s, then the next copy.
    "$OWNER" hang >"$d/hang.out" &
    local hang=$!
    STARTED+=("$hang")
    wait_until 5 grep -q ready "$d/hang.out" || fail "the hanging owner did not start"
    a=$(now_ns); sleep 8; b=$(now_ns)
    phase hang "$a" "$b"
    a=$(now_ns)
    out=$("$LATENCY" --text "after the hang $RANDOM" "${watch[@]}")
    xc=$(awk '$1 == "xclip" { print $2 }' <<<"$out")
    STARTED+=("$xc")
    sleep 1
    phase after_hang "$a" "$(now_ns)"
    awk -v r="$round" '$1 == "quorrel" || $1 == "copyq" { print r, $1, "after_hang_ms", $2 }' \
        <<<"$out" >>"$RESULTS"

    # Peak resident memory of the whole round.
    [ -n "$qpid" ] && result "$round" quorrel peak_mb "$(hwm_mb "$qpid")"
    if [ -n "$cpid" ]; then
        result "$round" copyq peak_mb "$(hwm_mb "$cpid")"
        result "$round" copyq_monitor peak_mb "$(hwm_mb "$mpid")"
        result "$round" copyq_monitor stall_5mb_50mb_hang \
            "$(stall_max "$d/probe.$mpid" 0 "$(now_ns)")"
    fi
    # A probe that stopped ticking would hide stalls: say so rather than print too little.
    for w in "${who[@]}"; do
        awk -v now="$(now_ns)" '$1 == "tick" { t = $2 } END { exit !(now - t < 3e9) }' "${w#*:}" ||
            result "$round" "${w%%:*}" probe "SILENT"
    done
    [ -z "$qpid" ] || alive "$qpid" Quorrel
    [ -z "$cpid" ] || alive "$cpid" CopyQ
    stop_started
    [ -z "$mpid" ] || kill "$mpid" 2>/dev/null || true # CopyQ normally ends its monitor itself
}

echo "clipboard beside CopyQ: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
run quorrel_alone 1 0
run copyq_alone 0 1
run together 1 1

# The report: one row per figure, one column per round.
rounds=(quorrel_alone copyq_alone together)
printf '%-28s %16s %16s %16s\n' figure "${rounds[@]}"
awk '{ print $2, $3 }' "$RESULTS" | awk '!seen[$0]++' | while read -r who what; do
    printf '%-28s' "$who $what"
    for r in "${rounds[@]}"; do
        printf ' %16s' "$(awk -v r="$r" -v w="$who" -v f="$what" '$1 == r && $2 == w && $3 == f { print $4 }' \
            "$RESULTS" | tail -n1)"
    done
    printf '\n'
done
echo "(stall_*: the window thread's longest wait in ms; peak_mb: VmHWM in MB; *_ms: copy to shown"
echo " in ms, small copies as the median of $COPIES; notice_*: the text length Quorrel noticed)"
echo "load afterwards $(cut -d' ' -f1-3 /proc/loadavg)"
