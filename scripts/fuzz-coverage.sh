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

# Each target has its own LLVMFuzzerTestOneInput; llvm-cov warns that their data differ. Only
# trackio/ and geometry/ are reported, and those are the same code in every target.
objects=("$build/bin/FuzzTrack" -object "$build/bin/FuzzRoundTrip" -object "$build/bin/FuzzMerge")
sources=("$root/trackio" "$root/geometry")
echo
llvm-cov-14 report "${objects[@]}" -instr-profile="$profiles/all.profdata" \
  -show-region-summary=false -show-instantiation-summary=false \
  "${sources[@]}" 2>&1 | sed "s|$root/||" | grep -v "functions have mismatched data"

# Per folder, the lines and branches reached, and the lines never reached as ranges per file (a
# range runs over lines that count nothing, blank lines and comments, up to the next line
# reached), from the lcov export. trackio/ is also reckoned without its file layer, which the
# targets never call as they hand the bytes over in memory: FileAccess*, DeviceNames,
# PlatformFiles.h and the functions of TrackFile.cpp that take a path.
llvm-cov-14 export -format=lcov "${objects[@]}" -instr-profile="$profiles/all.profdata" \
  "${sources[@]}" 2>/dev/null >"$profiles/all.lcov"
echo
awk -v root="$root/" '
  function percent(part, whole) { return whole ? sprintf("%.2f%%", 100 * part / whole) : "-" }
  function add(key, reached, total) { reachedOf[key] += reached; totalOf[key] += total }
  /^SF:/ {
    file = substr($0, 4); sub(root, "", file)
    folder = file; sub(/\/.*/, "", folder)
    wholeLayer = file ~ /^trackio\/(FileAccess|DeviceNames|PlatformFiles)/
    nf = nd = 0; delete fnLine; delete fnLayer; branches = taken = 0
  }
  /^FN:/ {
    split(substr($0, 4), f, ",")
    fnLine[++nf] = f[1] + 0
    fnLayer[nf] = f[2] ~ /HasTrackExtension|SavePathFor|LoadTrack|SaveTrack|TrackFiles|BeginsLikeATrack/
  }
  /^DA:/ { split(substr($0, 4), f, ","); daLine[++nd] = f[1] + 0; daCount[nd] = f[2] + 0 }
  /^BRDA:/ { split(substr($0, 6), f, ","); ++branches; if (f[4] != "-" && f[4] + 0 > 0) ++taken }
  /^end_of_record/ {
    reached = missed = 0; ranges = ""; from = 0
    for (i = 1; i <= nd; ++i) {
      # The function a line belongs to: the one that starts last at or before it.
      layer = wholeLayer; best = 0
      for (j = 1; j <= nf; ++j) if (fnLine[j] <= daLine[i] && fnLine[j] >= best) {
        best = fnLine[j]; if (!wholeLayer) layer = fnLayer[j]
      }
      if (daCount[i] > 0) {
        ++reached
        if (from) { ranges = ranges (ranges ? ", " : "") (from == to ? from : from "-" to); from = 0 }
      } else {
        ++missed; if (!from) from = daLine[i]; to = daLine[i]
      }
      if (folder == "trackio" && !layer) add("format", daCount[i] > 0, 1)
    }
    if (from) ranges = ranges (ranges ? ", " : "") (from == to ? from : from "-" to)
    add(folder, reached, reached + missed)
    branchesOf[folder] += branches; takenOf[folder] += taken
    if (ranges) unreached = unreached "  " file ": " ranges (wholeLayer ? "   [file layer]" : "") "\n"
  }
  END {
    for (folder in branchesOf)
      printf "%-40s lines %5d of %5d (%s)   branches %4d of %4d (%s)\n", folder "/:",
             reachedOf[folder], totalOf[folder], percent(reachedOf[folder], totalOf[folder]),
             takenOf[folder], branchesOf[folder], percent(takenOf[folder], branchesOf[folder])
    printf "%-40s lines %5d of %5d (%s)\n", "trackio/ without its file layer:",
           reachedOf["format"], totalOf["format"], percent(reachedOf["format"], totalOf["format"])
    printf "\nLines never reached:\n%s", unreached
  }' "$profiles/all.lcov"
