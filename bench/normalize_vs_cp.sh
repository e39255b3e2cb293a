#!/usr/bin/env bash
# Times `qutrack normalize` against `cp` of the same large synthetic file, side by side in
# one run, and reports the peak memory of normalize. Usage: bench/normalize_vs_cp.sh [RUNS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$root/build/bin"
runs=${1:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/make-synthetic" "$work/big.qutrack"
size=$(stat -c %s "$work/big.qutrack")

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(((e - s) / 1000)); }

cp_times=() norm_times=()
for ((i = 0; i < runs; i++)); do
  rm -f "$work/copy.qutrack" "$work/norm.qutrack"
  cp_times+=("$(seconds cp "$work/big.qutrack" "$work/copy.qutrack")")
  norm_times+=("$(seconds "$bin/qutrack" normalize "$work/big.qutrack" "$work/norm.qutrack")")
done
cp_us=$(printf '%s\n' "${cp_times[@]}" | median)
norm_us=$(printf '%s\n' "${norm_times[@]}" | median)
peak_kb=$( { /usr/bin/time -f '%M' "$bin/qutrack" normalize "$work/big.qutrack" "$work/norm.qutrack"; } 2>&1 | tail -n 1)

echo "file:            $((size / 1000000)) MB ($size bytes)"
echo "cp median:       $((cp_us / 1000)) ms over $runs runs"
echo "normalize median: $((norm_us / 1000)) ms over $runs runs"
awk -v n="$norm_us" -v c="$cp_us" 'BEGIN {printf "ratio:           %.2f x cp\n", n / c}'
awk -v p="$peak_kb" -v s="$size" 'BEGIN {printf "peak memory:     %.0f MB = %.2f x the file\n", p / 1000, p * 1024 / s}'
