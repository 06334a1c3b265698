#!/usr/bin/env bash
# Peak memory while another program streams a text copy in INCR pieces: 600 MB (over the 256 MB
# that is taken), then without end. The copy is read as the program reads it (X11Clipboard on its
# own thread), under a private Xvfb; the probe reports how it ended and its peak resident memory.
#
# Usage: bash bench/clipboard_stream.sh BUILD_DIR [MEGABYTES]
#   needs the targets clip_stream_probe and clip_owner built in BUILD_DIR.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
MB=${2:-600}
PROBE=$BUILD/bench/clip_stream_probe
OWNER=$BUILD/tests/clip_owner
for f in "$PROBE" "$OWNER"; do
    [ -x "$f" ] || { echo "missing $f: cmake --build $BUILD --target clip_stream_probe clip_owner" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "missing Xvfb (scripts/install-deps.sh)" >&2; exit 1; }

T=$(mktemp -d /tmp/quorrel-streambench.XXXXXX)
STARTED=()
finish() {
    local p
    for p in "${STARTED[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${STARTED[@]}"; do wait "$p" 2>/dev/null || true; done
    rm -rf "$T"
}
trap finish EXIT

mkfifo "$T/displayfd"
Xvfb -displayfd 6 -screen 0 640x480x24 -nolisten tcp 6>"$T/displayfd" >/dev/null 2>&1 &
STARTED+=($!)
read -r num <"$T/displayfd"
export DISPLAY=":$num"

for size in "$MB" 0; do
    mkfifo "$T/owner.out"
    "$OWNER" stream "$size" >"$T/owner.out" &
    owner=$!
    STARTED+=($owner)
    read -r ready <"$T/owner.out" # the owner holds the clipboard
    rm "$T/owner.out"
    label="$size MB"
    [ "$size" = 0 ] && label="without end"
    start=$(date +%s%N)
    result=$(QT_QPA_PLATFORM=offscreen "$PROBE")
    end=$(date +%s%N)
    printf '%-12s %s, after %d ms\n' "$label:" "$result" $(((end - start) / 1000000))
    kill "$owner" 2>/dev/null || true
    wait "$owner" 2>/dev/null || true
done
