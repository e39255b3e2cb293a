#!/usr/bin/env bash
# Builds everything and runs every test through ctest; then the libraries' and the command
# line's tests again under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/);
# then checks that both builds compute the same bits. Under CI, or with QU_FUZZ_SECONDS set,
# also runs each fuzz target for that many seconds (60 under CI).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

"$root/scripts/setup.sh"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== the window as a user uses it, on a virtual X display"
"$root/scripts/need-packages.sh" xvfb xdotool
"$root/scripts/window-run.sh" linux "$root/build/bin"

echo "== sanitizer build"
# Warnings are errors in the normal build only: GCC's instrumented code draws false
# out-of-bounds warnings from the standard library.
QU_BUILD_DIR="$root/build-asan" "$root/scripts/setup.sh" \
  -DQU_SANITIZE=ON -DQU_BUILD_GUI=OFF -DQU_BUILD_BENCH=OFF -DQU_WERROR=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

echo "== the same bits from both builds"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# The longest merge the sample count allows, on the benchmark's smooth path of 6,554 vertices.
"$root/build/bin/make-synthetic" "$out/path.qutrack" 6554
for run in "sample.qutrack 3" "sample.qutrack 44" "path.qutrack 6553"; do
  read -r track n <<<"$run"
  input="$root/examples/$track"
  [ "$track" = path.qutrack ] && input="$out/$track"
  "$root/build/bin/qutrack" combine "$input" "$out/a.qutrack" -n "$n" >/dev/null
  "$root/build-asan/bin/qutrack" combine "$input" "$out/b.qutrack" -n "$n" >/dev/null
  cmp "$out/a.qutrack" "$out/b.qutrack"
done
echo "combine -n 3 and -n 44 of the sample and -n 6553 of a 6,554-vertex path agree byte for byte"

fuzz_seconds=${QU_FUZZ_SECONDS:-}
[ -z "$fuzz_seconds" ] && [ -n "${CI:-}" ] && fuzz_seconds=60
if [ -n "$fuzz_seconds" ]; then
  "$root/scripts/fuzz.sh" "$fuzz_seconds"
fi

# Last, the Debian package with its checks, and the Windows build with its checks, under Wine.
echo "== the Debian package"
"$root/scripts/package.sh"
echo "== everything on Windows, under Wine"
"$root/scripts/test-windows.sh"
