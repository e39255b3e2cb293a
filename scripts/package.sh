#!/usr/bin/env bash
# Builds the Debian package qu-vellumar_VERSION_amd64.deb in build-package/ with Debian's build
# flags and checks it: lintian (no error; every warning named in the README's packaging note),
# appstreamcli and desktop-file-validate on the files it installs, and its contents and
# dependencies with dpkg-deb. Prints the package's path and size last.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-package"

"$root/scripts/need-packages.sh" cmake ninja-build g++ qt6-base-dev libcli11-dev \
  nlohmann-json3-dev dpkg-dev file lintian appstream desktop-file-utils

# The flags a Debian package build passes (optimisation, hardening), through CMake's own
# variables; the preset's build type None adds nothing to them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

echo "== build (build-package/)"
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cd "$root"
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DQU_WERROR="$werror" "$@" >/dev/null
cmake --build --preset package -j"$(nproc)"
rm -f "$build"/qu-vellumar_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/qu-vellumar_*_amd64.deb)

echo "== lintian $(basename "$deb")"
lintian --fail-on error --display-level ">=warning" "$deb" | tee "$build/lintian.txt" || {
  echo "error: lintian reports errors" >&2
  exit 1
}
# A warning may stay only with its reason in the README.
for tag in $(sed -n 's/^W: [^ ]*: \([^ ]*\).*/\1/p' "$build/lintian.txt" | sort -u); do
  grep -q "\`$tag\`" "$root/README.md" || {
    echo "error: lintian warning $tag is not explained in README.md's packaging note" >&2
    exit 1
  }
done

echo "== contents"
contents="$build/contents.txt"
dpkg-deb -c "$deb" | awk '{ print $2, $6 }' >"$contents"
files=$(awk '{ print $2 }' "$contents")
unpacked="$build/unpacked"
rm -rf "$unpacked"
dpkg-deb -x "$deb" "$unpacked"
desktop=usr/share/applications/qu-vellumar.desktop
expected=(usr/bin/qutrack usr/bin/qu-vellumar "$desktop"
          usr/share/mime/packages/qu-vellumar.xml
          usr/share/metainfo/org.quvellumar.quvellumar.metainfo.xml
          usr/share/man/man1/qutrack.1.gz usr/share/man/man1/qu-vellumar.1.gz
          usr/share/doc/qu-vellumar/copyright usr/share/doc/qu-vellumar/changelog.gz
          usr/share/icons/hicolor/scalable/apps/qu-vellumar.svg)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x$size/apps/qu-vellumar.png")
done
# The icon the menu entry names must come with it.
icon=$(sed -n 's/^Icon=//p' "$unpacked/$desktop")
if [ -n "$icon" ]; then
  found=$(grep -E "^\./usr/share/icons/hicolor/[^/]+/apps/$icon\.(svg|png)$" <<<"$files" || true)
  [ -n "$found" ] || { echo "error: the icon '$icon' of the desktop entry is missing" >&2; exit 1; }
fi
for path in "${expected[@]}"; do
  grep -qx "\./$path" <<<"$files" || { echo "error: $path is missing" >&2; exit 1; }
done
if grep -v -E '^\./(usr/(bin|share)/.*)?$|^\./usr/$' <<<"$files"; then
  echo "error: files outside /usr/bin and /usr/share" >&2
  exit 1
fi
programs=$(grep -c '^\./usr/bin/.' <<<"$files")
[ "$programs" -eq 2 ] || { echo "error: $programs programs in /usr/bin, expected 2" >&2; exit 1; }
if awk '$1 != "root/root"' "$contents" | grep .; then
  echo "error: files not owned by root" >&2
  exit 1
fi
# The changelog and the metainfo name the version being packaged.
version=$(dpkg-deb -f "$deb" Version)
zcat "$unpacked/usr/share/doc/qu-vellumar/changelog.gz" | head -1 | grep -qF "($version)" &&
  grep -qF "<release version=\"$version\"" "$unpacked"/usr/share/metainfo/*.metainfo.xml || {
  echo "error: packaging/changelog and the metainfo's first release must name version $version" >&2
  exit 1
}
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 libqt6widgets6; do
  grep -q "\b$library\b" <<<"$depends" || { echo "error: no dependency on $library" >&2; exit 1; }
done
if grep -q -- '-dev\b' <<<"$depends"; then
  echo "error: depends on a development package" >&2
  exit 1
fi
echo "$(wc -l <"$contents") entries, every expected file present"

echo "== appstreamcli validate, desktop-file-validate"
appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.quvellumar.quvellumar.metainfo.xml"
desktop-file-validate "$unpacked/$desktop"
man --warnings -l "$unpacked"/usr/share/man/man1/*.1.gz 2>&1 >/dev/null | (! grep .)

echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB"
