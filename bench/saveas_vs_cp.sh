#!/bin/bash
# Save As against `cp -a` on the same full collector (32,767 clips, 15 full-HD pictures), side by
# side, on the same file system. Usage: bench/saveas_vs_cp.sh path/to/bench_collectors [runs]
set -euo pipefail
bench=${1:?path to bench_collectors}
runs=${2:-3}
work=$(mktemp -d /tmp/quorrel-saveas-XXXXXX)
trap 'rm -rf "$work"' EXIT

src=$work/Source
mkdir -p "$src/Pix"
# Clip files, Numb and Data as the program writes them.
(cd "$src" && awk 'BEGIN { for (i = 1; i <= 32767; i++) {
    printf "clip number %d with a line of some length\r\n", i > i; close(i) } }')
seq 1 32767 | sed 's/$/\r/' >"$src/Numb"
seq 1 32767 | sed 's/.*/&) clip number & with a line of some length\r/' >"$src/Data"
printf '[Collector]\r\nClipNumber=32767\r\n' >"$src/Settings.ini"
printf '[Pix]\r\nPicNum=15\r\n' >"$src/Pix/Settings.ini"
for n in $(seq 1 15); do head -c 6220854 /dev/urandom >"$src/Pix/$n.jpg"; done
setfattr -n user.DOSATTRIB -v 0x2 "$src/Settings.ini" "$src/Numb" "$src/Data" 2>/dev/null || true
sync

ms() { echo $(( $(date +%s%N) / 1000000 )); }
total=0
for i in $(seq 1 "$runs"); do
    t0=$(ms)
    cp -a "$src" "$work/cp$i"
    t1=$(ms)
    total=$(( total + t1 - t0 ))
    rm -rf "$work/cp$i"
done
cp_ms=$(( total / runs ))

out=$(QUORREL_SAVEAS_SOURCE=$src "$bench" --benchmark_filter=BM_SaveAs \
    --benchmark_format=csv 2>/dev/null | grep '^"BM_SaveAs')
# csv: name,iterations,real_time,cpu_time,time_unit,...
saveas_ms=$(echo "$out" | cut -d, -f3 | cut -d. -f1)

echo "cp -a    : ${cp_ms} ms (mean of $runs)"
echo "Save As  : ${saveas_ms} ms (mean of 5)"
awk -v a="$saveas_ms" -v b="$cp_ms" 'BEGIN { printf "ratio    : %.2f (target <= 2)\n", a / b }'
