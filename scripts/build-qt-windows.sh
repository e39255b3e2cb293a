#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source (the version of the host's
# qt6-base-dev), cross-compiled with MinGW-w64 and the host's Qt tools, and installs it into
# a cache outside the work tree. Prints the installed prefix on its last line. A second run
# finds the prefix and builds nothing.
#
# Only what the window and its tests use: Core, Gui, Widgets and Test as shared release
# libraries, the windows and offscreen platform plugins and the Windows styles; no network,
# SQL, D-Bus, OpenGL or print support. The source comes through a source list and an apt
# state folder of this script's own, so the machine's apt configuration is left as it is.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$root/scripts/need-packages.sh" cmake ninja-build perl python3 dpkg-dev qt6-base-dev \
  qt6-base-dev-tools g++-mingw-w64-x86-64-posix

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
upstream=${version%%+*}
upstream=${upstream%%-*}
options="mingw64-shared-release-min1"
cache=${XDG_CACHE_HOME:-$HOME/.cache}/qu-vellumar
prefix="$cache/qt-$upstream-$options"
if [ -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ] && [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work="$cache/qt-$upstream-work"
mkdir -p "$work"
cd "$work"

# The source, through apt with a source list and state of our own.
apt_dir="$work/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
# The machine's own entries turned into source entries, so the fetch goes to whatever mirror
# this machine's apt uses.
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
"$root/scripts/apt-source-entries.sh" "$release" >"$apt_dir/sources.list"
[ -s "$apt_dir/sources.list" ] || {
  echo "error: this machine's apt has no entry for Debian $release to fetch qt6-base's source from" >&2
  exit 1
}
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/nonexistent"
  -o "Dir::State=$apt_dir" -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o "Dir::State::status=/var/lib/dpkg/status" -o "Debug::NoLocking=true")
source_dir="$work/qt6-base-$upstream"
if [ ! -f "$source_dir/CMakeLists.txt" ]; then
  echo "== qt6-base $version source" >&2
  apt-get -qq "${apt_options[@]}" update >&2
  rm -rf "$work/src" && mkdir -p "$work/src"
  (cd "$work/src" && apt-get -qq "${apt_options[@]}" source "qt6-base=$version" >/dev/null 2>&1)
  rm -rf "$source_dir"
  mv "$work/src/qt6-base-$upstream"* "$source_dir"
  rm -rf "$work/src"
fi

echo "== Qt $upstream for Windows ($options) into $prefix" >&2
start=$(date +%s)
build="$work/build"
# The toolchain links programs statically; Qt's own libraries and the window share the
# MinGW runtime DLLs instead, so programs are linked with the default flags here.
# Debian's source leaves out the tablet header wintab.h; the windows plugin builds without
# tablet events. Without OpenGL it also needs dynamicgl off.
cmake -S "$source_dir" -B "$build" -G Ninja \
  --toolchain "$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_EXE_LINKER_FLAGS="" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF \
  -DFEATURE_icu=OFF -DFEATURE_sql_sqlite=OFF -DFEATURE_vulkan=OFF \
  >"$work/configure.log" 2>&1 || {
  tail -40 "$work/configure.log" >&2
  exit 1
}
nice cmake --build "$build" -j"$(nproc)" >"$work/build.log" 2>&1 || {
  grep -B5 -A20 -m3 'FAILED\|error:' "$work/build.log" | head -80  >&2
  exit 1
}
rm -rf "$prefix"
cmake --install "$build" >/dev/null
# What an installer that carries these libraries must carry with them: Qt's licence and where
# its source comes from.
mkdir -p "$prefix/licenses"
cp "$source_dir/LICENSES/LGPL-3.0-only.txt" "$prefix/licenses/Qt-LGPL-3.0-only.txt"
cat >"$prefix/licenses/Qt-SOURCE.txt" <<EOF
The Qt libraries in this folder (Qt Core, Gui and Widgets, with their platform and style
plugins) are Qt $upstream, used under the GNU Lesser General Public License version 3
(Qt-LGPL-3.0-only.txt). They were built, with Debian's patches and no others, from Debian's source
package qt6-base $version, fetched from the Debian archive with
"apt-get source qt6-base=$version", and cross-compiled for Windows with MinGW-w64 by the
project's scripts/build-qt-windows.sh. You may rebuild them from that source with the same
script and replace the DLLs in this folder with your own build.
EOF
echo "built in $(($(date +%s) - start)) s" >"$prefix/.complete"
echo "Qt built in $(($(date +%s) - start)) s" >&2
echo "$prefix"
