#!/usr/bin/env bash
# Times `qutrack normalize` against `cp` of the same large synthetic file, and against
# `dd ... conv=fsync`, which like normalize waits until the copy is on the disk; side by side
# in one run, with the peak memory of normalize. The files live under build/, not in a /tmp
# that may be held in memory, where flushing costs nothing.
# Then, in the same run, the load and save of trackio_bench beside a memcpy of the same bytes
# into new memory, each as a multiple of that copy's speed (above 1 is faster).
# With a second build folder (one of an earlier commit), its normalize is timed in the same
# loop and its trackio_bench run in turn with this build's, so the two compare side by side.
# Usage: bench/normalize_vs_cp.sh [RUNS [OTHER_BUILD]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$root/build/bin"
runs=${1:-11}
other=${2:+$(cd "$2" && pwd)/bin}
work=$(mktemp -d "$root/build/bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

"$bin/make-synthetic" "$work/big.qutrack"
size=$(stat -c %s "$work/big.qutrack")

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
seconds() { local s e; s=$(date +%s%N); "$@" >/dev/null; e=$(date +%s%N); echo $(((e - s) / 1000)); }

cp_times=() dd_times=() norm_times=() other_times=()
for ((i = 0; i < runs; i++)); do
  rm -f "$work"/{copy,dd,norm,other}.qutrack
  cp_times+=("$(seconds cp "$work/big.qutrack" "$work/copy.qutrack")")
  dd_times+=("$(seconds dd if="$work/big.qutrack" of="$work/dd.qutrack" bs=4M conv=fsync status=none)")
  # The two builds take turns at going first.
  if [ -n "$other" ] && ((i % 2)); then
    other_times+=("$(seconds "$other/qutrack" normalize "$work/big.qutrack" "$work/other.qutrack")")
  fi
  norm_times+=("$(seconds "$bin/qutrack" normalize "$work/big.qutrack" "$work/norm.qutrack")")
  if [ -n "$other" ] && ((i % 2 == 0)); then
    other_times+=("$(seconds "$other/qutrack" normalize "$work/big.qutrack" "$work/other.qutrack")")
  fi
done
cp_us=$(printf '%s\n' "${cp_times[@]}" | median)
dd_us=$(printf '%s\n' "${dd_times[@]}" | median)
norm_us=$(printf '%s\n' "${norm_times[@]}" | median)
peak() { { /usr/bin/time -f '%M' "$1/qutrack" normalize "$work/big.qutrack" "$work/peak.qutrack"; } 2>&1 | tail -n 1; }
peak_kb=$(peak "$bin")

echo "file:            $((size / 1000000)) MB ($size bytes)"
echo "cp median:       $((cp_us / 1000)) ms over $runs runs"
echo "dd fsync median: $((dd_us / 1000)) ms over $runs runs"
echo "normalize median: $((norm_us / 1000)) ms over $runs runs"
awk -v n="$norm_us" -v c="$cp_us" 'BEGIN {printf "ratio:           %.2f x cp\n", n / c}'
awk -v n="$norm_us" -v d="$dd_us" 'BEGIN {printf "ratio:           %.2f x dd conv=fsync\n", n / d}'
awk -v p="$peak_kb" -v s="$size" 'BEGIN {printf "peak memory:     %.0f MB = %.2f x the file\n", p / 1000, p * 1024 / s}'
if [ -n "$other" ]; then
  other_us=$(printf '%s\n' "${other_times[@]}" | median)
  echo "other build:     $other"
  echo "  normalize median: $((other_us / 1000)) ms over $runs runs, in the same loop"
  awk -v o="$other_us" -v d="$dd_us" 'BEGIN {printf "  ratio:           %.2f x dd conv=fsync\n", o / d}'
  awk -v p="$(peak "$other")" -v s="$size" 'BEGIN {printf "  peak memory:     %.0f MB = %.2f x the file\n", p / 1000, p * 1024 / s}'
fi

in_process() {
  echo "in-process medians of 5 ($1/trackio_bench), speed relative to memcpy into new memory:"
  "$1/trackio_bench" --benchmark_filter='MemcpyToNewBuffer|BM_Load/|BM_LoadStreaming|BM_Save/|BM_SaveStreaming' \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ {sub("/real_time_median", "", $1); ms[$1] = $2; order[++n] = $1}
         END {for (i = 1; i <= n; i++) printf "  %-22s %8.1f ms  %.2fx\n", order[i], ms[order[i]],
                                             ms["BM_MemcpyToNewBuffer"] / ms[order[i]]}'
}
# Each build's benchmark in turn, twice when there are two, so that a drift of the machine's
# speed shows instead of favouring one.
rounds=1
[ -n "$other" ] && rounds=2
for ((round = 0; round < rounds; round++)); do
  in_process "$bin"
  if [ -n "$other" ]; then in_process "$other"; fi
done
