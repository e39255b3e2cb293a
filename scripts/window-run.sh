#!/usr/bin/env bash
# Runs the window once as a user would, on a virtual X display: the Linux build as it is, or
# the Windows build under Wine with Qt's real windows platform. Started in one folder with the
# full path of a track in another (a space and a letter that is not ASCII in its name), as a
# double-click starts it: shows the preview (F9), types 4 as the count and 10 into the start
# field, presses COMBINE!, saves through the save dialog (Wine's native one, or Qt's) by
# accepting the name it proposes, and checks that the track itself now holds the bytes of the
# Linux build's `qutrack combine -n 4 --start 10` and that the working folder holds no new
# file. With QU_WINDOW_SCREENSHOT set (always under Wine, by default build-windows/window.png),
# the window with its preview is kept as a picture.
# Usage: window-run.sh linux BIN_FOLDER (with qu-vellumar and qutrack)
#        window-run.sh windows BIN_FOLDER (with qu-vellumar.exe, Qt and its plugins)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
platform=$1
bin=$(cd "$2" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
case "$platform" in
  linux)
    linux_qutrack=${QU_LINUX_QUTRACK:-$bin/qutrack}
    screenshot=${QU_WINDOW_SCREENSHOT:-}
    ;;
  windows)
    linux_qutrack=${QU_LINUX_QUTRACK:-$root/build/bin/qutrack}
    screenshot=${QU_WINDOW_SCREENSHOT:-$bin/../window.png}
    ;;
  *)
    echo "usage: window-run.sh linux|windows BIN_FOLDER" >&2
    exit 2
    ;;
esac

work=$(mktemp -d)
xvfb_pid=
window_pid=
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  [ "$platform" = windows ] && { "$wineserver" -k 2>/dev/null || true; }
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
if [ "$platform" = windows ]; then
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
fi

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

# The track lies in a folder whose name has a space and a letter that is not ASCII; the window
# starts in another folder, given the track's full path, as a double-click starts it.
folder="$work/Bahn Übungen"
start_folder="$work/start here"
mkdir -p "$folder" "$start_folder"
track="$folder/Looping 1.qutrack"
cp "$root/examples/sample.qutrack" "$track"
"$linux_qutrack" combine "$track" "$work/linux-combined.qutrack" -n 4 --start 10 >/dev/null

if [ "$platform" = windows ]; then
  track_name="Z:${track//\//\\}"
  (cd "$start_folder" && exec "$wine" "$bin/qu-vellumar.exe" "$track_name") \
    >"$work/window.log" 2>&1 &
else
  (cd "$start_folder" && exec "$bin/qu-vellumar" "$track") >"$work/window.log" 2>&1 &
fi
window_pid=$!
window=$(wait_for_window '^QU-Vellumar')
sleep 2
xdotool windowfocus --sync "$window"
# The focus starts on Load Track. With the preview shown, Tab, Tab reach the count (Save
# Track is disabled) and one more Tab the start field; Shift+Tab twice goes back to COMBINE!.
xdotool key --delay 150 F9 Tab Tab ctrl+a 4 Tab ctrl+a 1 0 shift+Tab shift+Tab space
if [ -n "$screenshot" ]; then
  # Larger than at start, so that the picture shows its detail. Wine places the window in the
  # middle of the screen, where 580 pixels reach past the screen's bottom edge, and the screen
  # holds only what is on it: the window is moved to the top left first. The size is read
  # until it is the one asked for (without a window manager --sync may wait in vain).
  xdotool windowmove --sync "$window" 0 0 || true
  xdotool windowsize --sync "$window" 700 580 || true
  for _ in $(seq 40); do
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$WIDTH" = 700 ] && [ "$HEIGHT" = 580 ] && break
    sleep 0.5
  done
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" != 700 ] || [ "$HEIGHT" != 580 ] || ((Y + HEIGHT > 900 || X + WIDTH > 1280)); then
    echo "warning: the window is ${WIDTH}x${HEIGHT} at ${X},${Y}, not 700x580 on the screen" >&2
  fi
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
fi

# Save Track, through the dialog: Enter accepts the name it proposes, the loaded track in its
# own folder; the question about replacing it is answered Yes.
before=$(cksum <"$track")
xdotool key --delay 150 Tab space
dialog=$(wait_for_window '^Save Track As')
sleep 1
xdotool windowfocus --sync "$dialog"
xdotool key Return
sleep 2
question=$(wait_for_window '^Save Track As')
xdotool windowfocus --sync "$question"
xdotool key alt+y
for _ in $(seq 60); do
  [ "$(cksum <"$track")" != "$before" ] && break
  sleep 0.5
done
sleep 1
cmp "$work/linux-combined.qutrack" "$track"
if [ -n "$(ls -A "$start_folder")" ]; then
  echo "error: the save left files in the working folder: $(ls -A "$start_folder")" >&2
  exit 1
fi

if [ "$platform" = linux ]; then
  # Without a window manager nothing closes a window on Alt+F4: the run ends here.
  echo "the window on Linux: loaded, combined 4 segments from segment 10, saved over the track" \
    "through Qt's dialog as proposed; the track has the bytes of qutrack combine -n 4 --start 10"
  exit 0
fi

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
echo "the window under Wine: loaded, combined 4 segments from segment 10, saved over the track" \
  "through the native dialog as proposed; the track has the Linux build's bytes and the" \
  "working folder no new file (picture: $screenshot)"
