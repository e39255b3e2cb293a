#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs missing Debian packages, configures and
# builds into build/. Idempotent: a second run installs nothing and rebuilds only changes.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QU_BUILD_DIR:-$root/build}

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          nlohmann-json3-dev qt6-base-dev fonts-dejavu-core fonts-liberation2
          clang-14 libclang-rt-14-dev libexpat1-dev librsvg2-bin)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing missing packages: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  elif command -v sudo >/dev/null; then
    sudo apt-get update -qq
    sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    echo "error: please install these Debian packages: ${missing[*]}" >&2
    exit 1
  fi
fi

werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S "$root" -B "$build_dir" -G Ninja -DQU_WERROR="$werror" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
