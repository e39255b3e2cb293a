#!/usr/bin/env bash
# How much of trackio/ and geometry/ the committed fuzz corpus reaches: builds the fuzz targets
# with clang's source-based coverage into build-fuzz-coverage/, runs each once over its corpus
# (fuzz/corpus/, or the folders given as TRACK_CORPUS and MERGE_CORPUS), and prints the line
# and branch coverage of each file and the lines that no input reached. Nothing is fuzzed:
# every input runs exactly once.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz-coverage"
track=${TRACK_CORPUS:-$root/fuzz/corpus/track}
merge=${MERGE_CORPUS:-$root/fuzz/corpus/merge}

"$root/scripts/need-packages.sh" clang-14 libclang-rt-14-dev llvm-14 libexpat1-dev \
  nlohmann-json3-dev

# The counters stop clang from vectorising the loops it is told to; that warning is noise here.
coverage="-fprofile-instr-generate -fcoverage-mapping -Wno-pass-failed"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQU_BUILD_FUZZ=ON -DQU_BUILD_GUI=OFF -DQU_BUILD_BENCH=OFF -DBUILD_TESTING=OFF \
  -DCMAKE_C_FLAGS="$coverage" -DCMAKE_CXX_FLAGS="$coverage" \
  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
targets=(FuzzTrack FuzzRoundTrip FuzzMerge)
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >"$build/build.log" 2>&1 ||
  { cat "$build/build.log" >&2; exit 1; }

profiles="$build/profiles"
rm -rf "$profiles"
mkdir -p "$profiles"
for target in "${targets[@]}"; do
  corpus=$track
  [ "$target" = FuzzMerge ] && corpus=$merge
  echo "== $target over $(find "$corpus" -type f | wc -l) inputs in $corpus"
  # -runs=0: each input of the corpus runs once, then the target stops.
  (cd "$profiles" && LLVM_PROFILE_FILE="$profiles/$target-%p.profraw" \
     "$build/bin/$target" -runs=0 -rss_limit_mb=2048 "$corpus" 2>&1 | grep -E "INITED|Done" || true)
done
llvm-profdata-14 merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"

objects=("$build/bin/FuzzTrack" -object "$build/bin/FuzzRoundTrip" -object "$build/bin/FuzzMerge")
sources=("$root/trackio" "$root/geometry")
echo
llvm-cov-14 report "${objects[@]}" -instr-profile="$profiles/all.profdata" \
  -show-region-summary=false -show-instantiation-summary=false \
  "${sources[@]}" | sed "s|$root/||"

# The lines never reached, as ranges per file from the line counts of the lcov export: a range
# runs over lines that count nothing (blank lines, comments) up to the next line reached.
echo
echo "Lines never reached:"
llvm-cov-14 export -format=lcov "${objects[@]}" -instr-profile="$profiles/all.profdata" \
  "${sources[@]}" | awk -v root="$root/" '
    function flush() {
      if (from) ranges = ranges (ranges ? ", " : "") (from == to ? from : from "-" to)
      from = 0
    }
    /^SF:/ { file = substr($0, 4); sub(root, "", file); ranges = ""; from = 0 }
    /^DA:/ {
      split(substr($0, 4), f, ",")
      if (f[2] != 0) { flush() } else { if (!from) from = f[1]; to = f[1] }
    }
    /^end_of_record/ { flush(); if (ranges) print "  " file ": " ranges }'
