#!/usr/bin/env bash
# Runs every end-to-end script RUNS times in a row (default 20) while a build runs beside them,
# to show that they hold on a busy machine. Stops at the first failure and keeps its output.
#   scripts/e2e-soak.sh [RUNS] [BUILD-DIR] [SCRIPT-NAME...]
# With script names (e.g. test_windows) only those run.
# BUILD-DIR (default build) holds a built Quorrel and xtest_key. The build beside them compiles
# the program again, without ccache, in BUILD-DIR/soak-load, over and over until the runs end.
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${1:-20}
BUILD=$(realpath "${2:-build}")
shift $(($# < 2 ? $# : 2))
ONLY=("$@")
LOAD="$BUILD/soak-load"
LOG="$BUILD/soak-logs"
mkdir -p "$LOG"
[ -x "$BUILD/Quorrel" ] || { echo "no $BUILD/Quorrel: build first" >&2; exit 2; }
XTEST_KEY=$(find "$BUILD/tests" -maxdepth 1 -name xtest_key -type f | head -n1)
[ -n "$XTEST_KEY" ] || { echo "no xtest_key in $BUILD/tests: build first" >&2; exit 2; }

cmake -S . -B "$LOAD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORREL_TESTS=OFF >/dev/null
# With job control the loop gets a process group of its own, whose id is the loop's PID: the
# loop and the compilers it runs are ended together by that id.
set -m
( while :; do cmake --build "$LOAD" --clean-first -j2 >/dev/null 2>&1 || true; done ) &
LOADPID=$!
set +m
trap 'kill -- -"$LOADPID" 2>/dev/null || true' EXIT

# The clipboard owner of our own that some scripts run, where the build has it.
CLIP_OWNER=$(find "$BUILD/tests" -maxdepth 1 -name clip_owner -type f | head -n1)
export QUORREL_BUILD="$BUILD" QUORREL_SRC="$PWD" XTEST_KEY CLIP_OWNER
total=0
for script in tests/e2e/test_*.sh; do
    name=$(basename "$script" .sh)
    [ ${#ONLY[@]} = 0 ] || [[ " ${ONLY[*]} " == *" $name "* ]] || continue
    start=$(date +%s)
    for i in $(seq "$RUNS"); do
        shots="$LOG/$name.$i.shots"
        if ! QUORREL_SHOTS="$shots" timeout 300 bash "$script" "$BUILD/Quorrel" \
            >"$LOG/$name.$i.log" 2>&1; then
            echo "$name: run $i of $RUNS FAILED; output in $LOG/$name.$i.log, screenshots" \
                "in $shots" >&2
            tail -n 15 "$LOG/$name.$i.log" >&2
            exit 1
        fi
        rm -rf "$shots"
        total=$((total + 1))
    done
    echo "$name: $RUNS of $RUNS green in $(($(date +%s) - start)) s"
done
echo "all $total runs green, beside a build (load average now: $(cut -d' ' -f1-3 /proc/loadavg))"
