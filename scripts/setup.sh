#!/bin/bash
# Installs what Duskwane needs on Debian 12 and builds it into build/.
# Sourced by run.sh and test.sh; BUILD_DIR and CMAKE_EXTRA may be set by the caller.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

PACKAGES=(
  build-essential cmake pkg-config
  libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev libvorbis-dev libmpg123-dev
  fonts-dejavu-extra fonts-ebgaramond-extra python3-fonttools
)
if [ "${DUSKWANE_WITH_TESTS:-0}" = 1 ]; then
  PACKAGES+=(libgtest-dev googletest xvfb xauth xdotool x11-utils imagemagick sox valgrind)
  # The fuzzers' clang; its libFuzzer and sanitizer runtimes are only a Recommends of it.
  PACKAGES+=(clang libclang-rt-14-dev)
  # SDL 1.2 over SDL 2, as current distributions ship it; installed in a folder of its own
  # beside classic SDL, which it does not replace. The test command runs a leg on it.
  PACKAGES+=(libsdl1.2-compat)
fi

if [ "${DUSKWANE_WITH_BENCH:-0}" = 1 ]; then
  PACKAGES+=(xvfb xauth libsdl1.2-compat)
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  # Another install may hold apt's lock for a while: wait for it.
  $SUDO apt-get -o DPkg::Lock::Timeout=1200 update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=1200 install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$ROOT" -B "$BUILD_DIR" -DDUSKWANE_TESTS="$([ "${DUSKWANE_WITH_TESTS:-0}" = 1 ] && echo ON || echo OFF)" ${CMAKE_EXTRA:-}
cmake --build "$BUILD_DIR" -j "$(nproc)"
