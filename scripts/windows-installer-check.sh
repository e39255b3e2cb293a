#!/usr/bin/env bash
# Checks the Windows installer under Wine, in a Wine prefix of its own made for the check: a
# silent install (/S); the installed window answers --version and the installed qutrack.exe
# reads the sample track; the Start-menu entry and the .qutrack file type are there, "Open"
# running the window; the portable zip holds the same files; and a silent uninstall leaves no
# file and no key behind.
# Usage: windows-installer-check.sh INSTALLER.exe (the zip is looked for beside it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
installer=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
zip=${installer%.exe}.zip
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d)
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w

fail() {
  echo "error: $*" >&2
  exit 1
}
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }
# The files under a folder, one relative path a line, sorted.
files_under() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

"$wine" "$installer" /S
"$wineserver" -w
dir="$WINEPREFIX/drive_c/Program Files/QU-Vellumar"
[ -f "$dir/bin/qu-vellumar.exe" ] || fail "the installer put no qu-vellumar.exe into '$dir/bin'"

version=$("$wine" "$dir/bin/qu-vellumar.exe" --version | tr -d '\r')
[ "$version" = "qu-vellumar 0.1" ] || fail "qu-vellumar.exe --version said '$version'"
cp "$root/examples/sample.qutrack" "$work/sample.qutrack"
"$wine" "$dir/bin/qutrack.exe" info "Z:${work//\//\\}\\sample.qutrack" >"$work/info.txt" ||
  fail "the installed qutrack.exe could not read the sample track"

menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QU-Vellumar"
[ -f "$menu/QU-Vellumar.lnk" ] || fail "no Start-menu entry in '$menu'"
"$wine" reg query 'HKCR\.qutrack' /ve | tr -d '\r' | grep -q 'QUVellumar.Track' ||
  fail ".qutrack is not registered"
open=$("$wine" reg query 'HKCR\QUVellumar.Track\shell\open\command' /ve | tr -d '\r')
grep -qF 'bin\qu-vellumar.exe" "%1"' <<<"$open" || fail "the Open command is: $open"
icon=$("$wine" reg query 'HKCR\QUVellumar.Track\DefaultIcon' /ve | tr -d '\r')
grep -qF 'qu-vellumar.exe,0' <<<"$icon" || fail "the file type's icon is: $icon"

# The zip: the same files as the installed folder, less the uninstaller.
mkdir "$work/zip"
(cd "$work/zip" && unzip -q "$zip")
zipped=$(files_under "$work/zip"/*)
installed=$(files_under "$dir" | grep -v '^Uninstall.exe$')
[ "$zipped" = "$installed" ] || {
  diff <(echo "$zipped") <(echo "$installed") >&2 || true
  fail "the zip and the installed folder differ"
}
echo "installed: $(wc -l <<<"$installed") files; the zip holds the same"

"$wine" "$dir/Uninstall.exe" /S
"$wineserver" -w
for _ in $(seq 30); do
  [ -e "$dir" ] || break
  sleep 1
done
[ ! -e "$dir" ] || fail "files left after uninstalling: $(find "$dir" | head -5)"
[ ! -e "$menu" ] || fail "the Start-menu folder is left after uninstalling"
for key in 'HKCR\.qutrack' 'HKCR\QUVellumar.Track' 'HKLM\Software\The QU-Vellumar authors' \
  'HKLM\Software\Wow6432Node\The QU-Vellumar authors' 'HKCU\Software\The QU-Vellumar authors' \
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QU-Vellumar' \
  'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\QU-Vellumar'; do
  if key_exists "$key"; then fail "key left after uninstalling: $key"; fi
done
echo "installer: silent install, --version, qutrack info, Start menu and file type checked;" \
  "the uninstall left no file and no key"
