#!/usr/bin/env bash
# Times `qutrack normalize` against `cp` of the same large synthetic file, and against
# `dd ... conv=fsync`, which like normalize waits until the copy is on the disk; side by side
# in one run, with the peak memory of normalize. The files live under build/, not in a /tmp
# that may be held in memory, where flushing costs nothing.
# Usage: bench/normalize_vs_cp.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$root/build/bin"
runs=${1:-11}
work=$(mktemp -d "$root/build/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$bin/make-synthetic" "$work/big.qutrack"
size=$(stat -c %s "$work/big.qutrack")

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(((e - s) / 1000)); }

cp_times=() dd_times=() norm_times=()
for ((i = 0; i < runs; i++)); do
  rm -f "$work/copy.qutrack" "$work/dd.qutrack" "$work/norm.qutrack"
  cp_times+=("$(seconds cp "$work/big.qutrack" "$work/copy.qutrack")")
  dd_times+=("$(seconds dd if="$work/big.qutrack" of="$work/dd.qutrack" bs=4M conv=fsync status=none)")
  norm_times+=("$(seconds "$bin/qutrack" normalize "$work/big.qutrack" "$work/norm.qutrack")")
done
cp_us=$(printf '%s\n' "${cp_times[@]}" | median)
dd_us=$(printf '%s\n' "${dd_times[@]}" | median)
norm_us=$(printf '%s\n' "${norm_times[@]}" | median)
peak_kb=$( { /usr/bin/time -f '%M' "$bin/qutrack" normalize "$work/big.qutrack" "$work/norm.qutrack"; } 2>&1 | tail -n 1)

echo "file:            $((size / 1000000)) MB ($size bytes)"
echo "cp median:       $((cp_us / 1000)) ms over $runs runs"
echo "dd fsync median: $((dd_us / 1000)) ms over $runs runs"
echo "normalize median: $((norm_us / 1000)) ms over $runs runs"
awk -v n="$norm_us" -v c="$cp_us" 'BEGIN {printf "ratio:           %.2f x cp\n", n / c}'
awk -v n="$norm_us" -v d="$dd_us" 'BEGIN {printf "ratio:           %.2f x dd conv=fsync\n", n / d}'
awk -v p="$peak_kb" -v s="$size" 'BEGIN {printf "peak memory:     %.0f MB = %.2f x the file\n", p / 1000, p * 1024 / s}'
