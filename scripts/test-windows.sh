#!/usr/bin/env bash
# Cross-builds the whole project for 64-bit Windows with MinGW-w64 into build-windows/: the
# libraries, qutrack, the window (against Qt built from Debian's source by build-qt-windows.sh,
# once, into a cache) and their suites. Runs every suite under Wine, checks that qutrack.exe
# writes the same bytes as the Linux build for normalize and combine -n 3 of the sample track,
# also below a folder whose name is not ASCII, that a console shows its messages in Unicode and
# that /? asks both programs for help, runs the window once as a user would (with the real
# windows platform under Xvfb), and builds and checks the installer and the zip.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-windows"
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
deps="$build/deps"

"$root/scripts/need-packages.sh" cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest \
  libcli11-dev nlohmann-json3-dev nsis unzip xvfb xdotool imagemagick bsdutils

qt=$("$root/scripts/build-qt-windows.sh")

# GoogleTest from Debian's sources, built once with the same compiler into deps/.
if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "== GoogleTest for Windows"
  cmake -S /usr/src/googletest -B "$build/googletest" -G Ninja --toolchain "$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_GMOCK=OFF >/dev/null
  cmake --build "$build/googletest" -j"$(nproc)" >/dev/null
  cmake --install "$build/googletest" >/dev/null
fi
# The header-only libraries, beside GoogleTest: the MinGW build must not look into /usr/include.
for package in CLI11:CLI nlohmann_json:nlohmann; do
  mkdir -p "$deps/include" "$deps/share/cmake"
  cp -rT "/usr/include/${package#*:}" "$deps/include/${package#*:}"
  cp -rT "/usr/share/cmake/${package%%:*}" "$deps/share/cmake/${package%%:*}"
done

echo "== cross-build (build-windows/)"
# The preset finds GoogleTest and the header-only libraries in build-windows/deps.
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cd "$root"
cmake --preset windows -DQU_WERROR="$werror" -DQU_BUILD_GUI=ON -DQU_QT_WINDOWS_PREFIX="$qt" \
  -DQt6_DIR="$qt/lib/cmake/Qt6" "$@" >/dev/null
cmake --build --preset windows -j"$(nproc)"
# Qt's libraries, plugins and runtime libraries beside the programs, as the installer puts them.
for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Test; do cp -u "$qt/bin/$dll.dll" "$build/bin/"; done
for plugin in platforms styles; do cp -ru "$qt/plugins/$plugin" "$build/bin/"; done
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  cp -u "$(x86_64-w64-mingw32-g++-posix -print-file-name=$runtime)" "$build/bin/"
done

# Wine keeps its own Windows in the build folder; one server process serves every run.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$WINEPREFIX"
"$wineserver" -p 60
[ -d "$WINEPREFIX/drive_c" ] || "$wine" wineboot --init >/dev/null 2>&1

echo "== the suites under Wine"
passed=0
failed=0
skipped=0
count() { sed -n "s/^\[  $1 *\] \([0-9]*\) tests\?\..*/\1/p" "$2" | head -1; }
# The window's suites are Qt Test programs (they load Qt6Test.dll); they run after these.
is_qt_suite() { x86_64-w64-mingw32-objdump -p "$1" | grep 'DLL Name: Qt6Test.dll' >/dev/null; }
qt_suites=()
for suite in "$build"/bin/*_tests.exe; do
  name=$(basename "$suite" .exe)
  if is_qt_suite "$suite"; then
    qt_suites+=("$suite")
    continue
  fi
  log="$work/$name.log"
  status=0
  "$wine" "$suite" --gtest_brief=1 >"$log" 2>&1 || status=$?
  bad=$(grep -c '^\[  FAILED  \] .* ([0-9]* ms)$' "$log" || true)
  if ((status != 0 || bad > 0)); then
    # Under Wine a spawned shell now and then fails to start (std::system returns -1): the
    # suite runs once more, and both results are shown.
    cat "$log"
    echo "$name failed under Wine; running it once more"
    status=0
    "$wine" "$suite" --gtest_brief=1 >"$log" 2>&1 || status=$?
    bad=$(grep -c '^\[  FAILED  \] .* ([0-9]* ms)$' "$log" || true)
  fi
  ok=$(count PASSED "$log")
  skip=$(count SKIPPED "$log")
  if ((status != 0 || bad > 0)) || [ -z "$ok" ]; then
    cat "$log"
    ((bad > 0)) || bad=1
  fi
  echo "$name: ${ok:-0} passed, $bad failed, ${skip:-0} skipped"
  passed=$((passed + ${ok:-0}))
  failed=$((failed + bad))
  skipped=$((skipped + ${skip:-0}))
done
echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))

echo "== the window's suites under Wine (offscreen platform)"
for suite in "${qt_suites[@]}"; do
  name=$(basename "$suite" .exe)
  log="$work/$name.log"
  status=0
  # Qt Test writes its log to a file under Wine: its standard output is lost there. The
  # platform is named on the command line: Qt under Wine does not see QT_QPA_PLATFORM.
  "$wine" "$suite" -platform offscreen -o "Z:${log//\//\\},txt" >/dev/null 2>&1 || status=$?
  totals=$(grep '^Totals:' "$log" || true)
  if ((status != 0)) || [ -z "$totals" ]; then
    grep -v '^QWARN\|^PASS\|^QDEBUG' "$log" | tail -60
    echo "$name failed under Wine"
    exit 1
  fi
  echo "$name: $totals"
done

echo "== qutrack.exe against the Linux build"
linux_qutrack=${QU_LINUX_QUTRACK:-$root/build/bin/qutrack}
[ -x "$linux_qutrack" ] || "$root/scripts/setup.sh"
folder="Achterbahn-Übungen"
mkdir -p "$work/$folder"
cp "$root/examples/sample.qutrack" "$work/$folder/sample.qutrack"
(
  cd "$work"
  "$linux_qutrack" normalize "$folder/sample.qutrack" linux-normal.qutrack
  "$linux_qutrack" combine "$folder/sample.qutrack" linux-combined.qutrack -n 3 >linux-combine.txt
  "$wine" "$build/bin/qutrack.exe" normalize "$folder/sample.qutrack" "$folder/normal.qutrack"
  "$wine" "$build/bin/qutrack.exe" combine "$folder/sample.qutrack" "$folder/combined.qutrack" \
    -n 3 >windows-combine.txt
  cmp linux-normal.qutrack "$folder/normal.qutrack"
  cmp linux-combined.qutrack "$folder/combined.qutrack"
  # The report is the same text, but with Windows line ends on a Windows console.
  tr -d '\r' <windows-combine.txt | cmp - linux-combine.txt
)
echo "normalize and combine -n 3 give the Linux build's bytes, in and from '$folder'"

echo "== the programs on a console, and /? for help"
# On a Unix pseudo-terminal Wine gives a program a real console (its console host in terminal
# mode) whose code page is the OEM one, 437: text handed to it as bytes would show as that
# code page's characters ("Ã" and a box for the two bytes of "Ü"), text handed to it as
# characters shows as it is. `script` runs a program on such a terminal, standard error
# included, and logs what the terminal received: the console's drawing sequences, which are
# left out, and the text, in which a name must come back whole.
(
  cd "$work"
  # on_console STATUS TEXT PROGRAM ARGUMENTS...: the program must exit with STATUS and its
  # console show TEXT. (The arguments hold no single quote.)
  on_console() {
    local status=0 want=$1 text=$2 program=$3 command shown
    shift 3
    command="'$wine' '$build/bin/$program.exe'"
    for argument in "$@"; do command+=" '$argument'"; done
    timeout 120 script -qec "$command" console.log </dev/null >/dev/null || status=$?
    # The log's first and last lines are script's own, the first with the command in it.
    shown=$(sed '1d;$d' console.log | sed 's/\x1b\[[0-9;?]*[A-Za-z]//g')
    if ((status != want)) || [[ "$shown" != *"$text"* ]]; then
      echo "$program.exe $* exited with $status; its console showed:"
      printf '%s\n' "$shown"
      exit 1
    fi
  }
  missing='C:\Übungen\x.qutrack'
  on_console 1 "'$missing'" qutrack info "$missing"
  on_console 2 "'Übung'" qu-vellumar --Übung
  echo "qutrack.exe's error and the window's usage line show their umlauts on a console"
  # "/?" first is --help on Windows, for both programs.
  for program in qutrack qu-vellumar; do
    "$wine" "$build/bin/$program.exe" --help >help.txt
    "$wine" "$build/bin/$program.exe" '/?' >slash.txt
    grep -q 'Usage:' help.txt
    cmp help.txt slash.txt
  done
  echo "qutrack.exe /? and qu-vellumar.exe /? print their --help"
)

echo "== the window under Wine, as a user would use it"
QU_LINUX_QUTRACK="$linux_qutrack" "$root/scripts/window-run.sh" windows "$build/bin"

echo "== the installer and the zip"
(cd "$build" && cpack -G "NSIS;ZIP" >/dev/null)
"$root/scripts/windows-installer-check.sh" "$build"/qu-vellumar-*-windows-x64.exe
