#!/usr/bin/env bash
# Checks the Windows installer under Wine, in a Wine prefix of its own made for the check: a
# silent install (/S) into a folder whose name has a space and a letter that is not ASCII
# (/D=); a second silent install over it, which updates that install in its folder, and a
# third that names another folder with /D= and still updates it there; after each, one install
# only, in that folder, to which the .qutrack file type's "Open", the Start-menu entry and the
# uninstall entry point. The installed window answers --version, the installed qutrack.exe
# reads the sample track, both programs carry their application manifest (supported systems,
# long paths, per-monitor DPI awareness); the portable zip holds the same files; and a silent
# uninstall leaves no file and no key behind.
# Usage: windows-installer-check.sh INSTALLER.exe (the zip is looked for beside it).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
installer=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
zip=${installer%.exe}.zip
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# wrestool, to read the programs' manifests.
"$root/scripts/need-packages.sh" icoutils

work=$(mktemp -d)
# The locale sets Wine's code pages.
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
"$wine" wineboot --init >/dev/null 2>&1
"$wineserver" -w

fail() {
  echo "error: $*" >&2
  exit 1
}
key_exists() { "$wine" reg query "$1" >/dev/null 2>&1; }
# A registry value: the default value of KEY, or its value NAME; nothing if the key is missing.
# Read from an export, which is UTF-16 whatever the console's code page, and unescaped.
reg_value() {
  local export="$work/value.reg" name=${2:+\"$2\"}
  "$wine" reg export "$1" "Z:${export//\//\\}" /y >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$export" | tr -d '\r' |
    awk -v start="${name:-@}=\"" '/^\[/ { n++; next } n == 1 && index($0, start) == 1 { print }' |
    sed 's/^[^=]*="//; s/"$//; s/\\\(.\)/\1/g'
}
# The files under a folder, one relative path a line, sorted.
files_under() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
# A file's bytes in hexadecimal, on one line.
hex_bytes() { od -An -tx1 -v | tr -d ' \n'; }
# Whether a file holds a text in the given encoding.
holds() {
  local text bytes
  text=$(printf '%s' "$3" | iconv -f UTF-8 -t "$2" | hex_bytes)
  bytes=$(hex_bytes <"$1")
  [[ $bytes == *"$text"* ]]
}

# A silent install with the given arguments, waiting for all it started.
install() {
  "$wine" "$installer" /S "$@"
  "$wineserver" -w
}
# NSIS reads /D= only as the last argument and unquoted, so a folder with spaces goes in as
# several arguments: Wine quotes one that holds a space, and joins them with single spaces.
install_into() {
  local pieces
  read -ra pieces <<<"/D=$1"
  install "${pieces[@]}"
}

folder='C:\Programme\QU Vellumar Ä'
dir="$WINEPREFIX/drive_c/Programme/QU Vellumar Ä"
default_dir="$WINEPREFIX/drive_c/Program Files/QU-Vellumar"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QU-Vellumar"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QU-Vellumar'

# One install, in $folder: its files, and the file type, the Start-menu entry and the uninstall
# entry pointing there. $1 says which run it follows.
check_one_install() {
  [ -f "$dir/bin/qu-vellumar.exe" ] || fail "$1: no qu-vellumar.exe in '$dir/bin'"
  [ -f "$dir/Uninstall.exe" ] || fail "$1: no Uninstall.exe in '$dir'"
  [ ! -e "$default_dir" ] || fail "$1: a second install in '$default_dir'"
  local program="$folder\\bin\\qu-vellumar.exe" open icon uninstall
  open=$(reg_value 'HKCR\QUVellumar.Track\shell\open\command')
  [ "$open" = "\"$program\" \"%1\"" ] || fail "$1: the Open command is: $open"
  icon=$(reg_value 'HKCR\QUVellumar.Track\DefaultIcon')
  [ "$icon" = "$program,0" ] || fail "$1: the file type's icon is: $icon"
  uninstall=$(reg_value "$uninstall_key" UninstallString)
  [ "$uninstall" = "\"$folder\\Uninstall.exe\"" ] || fail "$1: the UninstallString is: $uninstall"
  [ "$(reg_value 'HKCR\.qutrack')" = QUVellumar.Track ] || fail "$1: .qutrack is not registered"
  [ -f "$menu/QU-Vellumar.lnk" ] || fail "$1: no Start-menu entry in '$menu'"
  # A shortcut names its target in the system's code page, Windows-1252 in the C.UTF-8 locale.
  holds "$menu/QU-Vellumar.lnk" CP1252 "$program" ||
    fail "$1: the Start-menu entry does not run '$program'"
}

# The application manifest of an installed program: exactly one, with the supported systems
# from Vista to 11, long paths and per-monitor DPI awareness (version 2, and its fallback).
check_manifest() {
  local program=$1 count manifest os
  count=$(wrestool -l --type=24 "$program" | wc -l)
  [ "$count" = 1 ] || fail "$(basename "$program") has $count manifests, not 1"
  manifest=$(wrestool -x --raw --type=24 "$program" | tr -d '\r\n')
  for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
    4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
    8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    grep -qF "<supportedOS Id=\"{$os}\"/>" <<<"$manifest" ||
      fail "$(basename "$program"): no supportedOS {$os} in its manifest"
  done
  for statement in '<longPathAware [^>]*>true</longPathAware>' \
    '<dpiAwareness [^>]*>PerMonitorV2</dpiAwareness>' '<dpiAware [^>]*>true/pm</dpiAware>'; do
    grep -q "$statement" <<<"$manifest" ||
      fail "$(basename "$program"): its manifest lacks $statement"
  done
}

install_into "$folder"
check_one_install "the install into '$folder'"
# The registered folder is kept over a silent update, and over one that names another folder.
install
check_one_install "the silent update"
install_into 'C:\Anderswo'
check_one_install "the update with /D=C:\\Anderswo"
[ ! -e "$WINEPREFIX/drive_c/Anderswo" ] || fail "the update with /D= made C:\\Anderswo"
echo "installed into '$folder', updated there by /S and by /S /D=C:\\Anderswo:" \
  "one install, the file type, Start menu and uninstall entry point to it"

version=$("$wine" "$dir/bin/qu-vellumar.exe" --version | tr -d '\r') ||
  fail "the installed qu-vellumar.exe --version failed"
[ "$version" = "qu-vellumar 0.1" ] || fail "qu-vellumar.exe --version said '$version'"
cp "$root/examples/sample.qutrack" "$work/sample.qutrack"
"$wine" "$dir/bin/qutrack.exe" info "Z:${work//\//\\}\\sample.qutrack" >"$work/info.txt" ||
  fail "the installed qutrack.exe could not read the sample track"
check_manifest "$dir/bin/qu-vellumar.exe"
check_manifest "$dir/bin/qutrack.exe"
echo "both programs carry their manifest: supported systems, long paths, DPI awareness"

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
[ ! -e "$default_dir" ] || fail "'$default_dir' is there after uninstalling"
[ ! -e "$menu" ] || fail "the Start-menu folder is left after uninstalling"
for key in 'HKCR\.qutrack' 'HKCR\QUVellumar.Track' 'HKLM\Software\The QU-Vellumar authors' \
  'HKLM\Software\Wow6432Node\The QU-Vellumar authors' 'HKCU\Software\The QU-Vellumar authors' \
  "$uninstall_key" \
  'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\QU-Vellumar'; do
  if key_exists "$key"; then fail "key left after uninstalling: $key"; fi
done
echo "installer: install into a folder of its own, two updates in place, --version, qutrack" \
  "info, Start menu, file type and manifests checked; the uninstall left no file and no key"
