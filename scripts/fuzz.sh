#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs them on a copy of the committed corpus, for
# SECONDS (default 60) per pair: the two track targets (FuzzTrack, which checks everything a
# track file feeds, and FuzzRoundTrip, the fast load-save round trip) share SECONDS between
# them, as do the merge across instruction sets (FuzzMerge) and the count box's text
# (FuzzNumberText). A crash leaves its input as crash-* in build-fuzz/ and fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
half=$(((seconds + 1) / 2))
build="$root/build-fuzz"

need=()
for package in clang-14 libclang-rt-14-dev libexpat1-dev nlohmann-json3-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || need+=("$package")
done
if ((${#need[@]})); then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQU_BUILD_FUZZ=ON -DQU_BUILD_GUI=OFF -DQU_BUILD_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target FuzzTrack FuzzRoundTrip FuzzMerge FuzzNumberText

# target:corpus:seconds
for target in FuzzTrack:track:$half FuzzRoundTrip:track:$((seconds - half)) \
              FuzzMerge:merge:$half FuzzNumberText:number:$((seconds - half)); do
  IFS=: read -r name set time <<<"$target"
  ((time > 0)) || continue
  corpus="$build/corpus-$set"
  mkdir -p "$corpus"
  cp -n "$root/fuzz/corpus/$set/"* "$corpus/" 2>/dev/null || true
  echo "== $name for ${time}s"
  (cd "$build" && "./bin/$name" -max_total_time="$time" -max_len=65536 -rss_limit_mb=2048 \
     -print_final_stats=1 "$corpus" 2>&1 | grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|==[0-9]+==|SUMMARY|Done|FuzzMerge:)" || true)
  (cd "$build" && ! ls crash-* leak-* timeout-* oom-* >/dev/null 2>&1) || { echo "error: $name found a failing input in $build" >&2; exit 1; }
done
