#!/usr/bin/env bash
# Re-saves every committed track file (the fuzz corpus and the example) with
# `qutrack normalize` and records what each run printed and returned, together with the
# counts the bad-input test reports. Run it before and after a change to the track-file
# code and compare the two folders: `diff -r BEFORE AFTER` must print nothing.
# Usage: scripts/resave_corpus.sh OUTDIR [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
build=${2:-$root/build}
cd "$root"  # relative input paths, so that messages naming them match between runs

for input in fuzz/corpus/track/* examples/sample.qutrack; do
  name=$(basename "$input")
  status=0
  "$build/bin/qutrack" normalize "$input" "$out/$name" >"$out/$name.log" 2>&1 || status=$?
  # The output path differs between runs; the messages are compared without it.
  sed -i "s|$out/||g" "$out/$name.log"
  echo "exit $status" >>"$out/$name.log"
done

"$build/bin/badinput_tests" 2>&1 |
  grep -E '^(truncated files|files with a count)' |
  sed 's/, largest allocation peak [0-9]* bytes//' >"$out/bad-input-counts.txt"
