#!/usr/bin/env bash
# Runs the Windows window once as a user would: under Wine, with Qt's real windows platform,
# on a virtual X display. Opens the sample track from a folder whose name is not ASCII, types
# 3, presses COMBINE!, shows the preview (F9), saves through Wine's native save dialog, and
# checks that the file holds the bytes of the Linux build's `qutrack combine -n 3`. The window
# with its preview is kept as a picture: $QU_WINDOW_SCREENSHOT, or build-windows/window.png.
# Usage: windows-window-run.sh BIN_FOLDER (with qu-vellumar.exe, Qt and its plugins).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=$(cd "$1" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
linux_qutrack=${QU_LINUX_QUTRACK:-$root/build/bin/qutrack}
screenshot=${QU_WINDOW_SCREENSHOT:-$bin/../window.png}

work=$(mktemp -d)
xvfb_pid=
window_pid=
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  "$wineserver" -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display nobody uses.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
unset QT_QPA_PLATFORM
# Wine's desktop belongs to the session that started it: one started without a display (by
# the suites before this) would keep every window of this run off the screen. A new session.
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w

# Waits up to three minutes (Wine's first start of a window program in a new prefix is slow)
# for a shown window whose title matches, and prints its id.
wait_for_window() {
  for _ in $(seq 360); do
    if id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.5
  done
  echo "error: no window '$1' appeared" >&2
  return 1
}

folder="$work/Achterbahn-Übungen"
mkdir -p "$folder"
cp "$root/examples/sample.qutrack" "$folder/sample.qutrack"
"$linux_qutrack" combine "$folder/sample.qutrack" "$work/linux-combined.qutrack" -n 3 >/dev/null

(cd "$work" && exec "$wine" "$bin/qu-vellumar.exe" "Achterbahn-Übungen\\sample.qutrack") \
  >"$work/window.log" 2>&1 &
window_pid=$!
window=$(wait_for_window '^QU-Vellumar')
sleep 2
xdotool windowfocus --sync "$window"
# The focus starts on Load Track; Tab, Tab reach the count (Save Track is disabled), Shift+Tab
# goes back to COMBINE!.
xdotool key --delay 150 Tab Tab ctrl+a 3 shift+Tab space F9
# Larger than at start, so that the picture shows its detail.
xdotool windowsize --sync "$window" 700 540 || true
sleep 3
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"

# Save Track, through the native dialog: the name typed over the one proposed.
out_windows="Z:${work//\//\\}\\windows-combined.qutrack"
xdotool key --delay 150 Tab space
dialog=$(wait_for_window '^Save Track As')
sleep 1
xdotool windowfocus --sync "$dialog"
xdotool key End shift+Home
xdotool type --delay 20 "$out_windows"
xdotool key Return
for _ in $(seq 60); do
  [ -s "$work/windows-combined.qutrack" ] && break
  sleep 0.5
done
sleep 1
cmp "$work/linux-combined.qutrack" "$work/windows-combined.qutrack"

# Closing asks nothing: the track was saved.
xdotool windowfocus --sync "$window"
xdotool key alt+F4
for _ in $(seq 40); do
  kill -0 "$window_pid" 2>/dev/null || break
  sleep 0.5
done
if kill -0 "$window_pid" 2>/dev/null; then
  echo "error: the window did not close" >&2
  exit 1
fi
window_pid=
echo "the window under Wine: loaded, combined 3, saved through the native dialog;" \
  "the file has the Linux build's bytes (picture: $screenshot)"
