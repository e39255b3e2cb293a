#!/usr/bin/env bash
# Builds everything, then runs the main job: the window where a display exists, otherwise
# the command-line demo on the example track.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
bin="$root/build/bin"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/qu-vellumar" ]; then
  exec "$bin/qu-vellumar"
fi

sample="$root/examples/sample.qutrack"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "== qutrack info $sample"
"$bin/qutrack" info "$sample"
if "$bin/qutrack" combine --help >/dev/null 2>&1; then
  echo
  echo "== qutrack combine $sample combined.qutrack -n 3"
  "$bin/qutrack" combine "$sample" "$out/combined.qutrack" -n 3
fi
echo
echo "== qutrack normalize $sample normalized.qutrack"
"$bin/qutrack" normalize "$sample" "$out/normalized.qutrack"
cmp "$sample" "$out/normalized.qutrack" && echo "the example track is already in normal form"
