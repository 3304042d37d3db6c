#!/bin/bash
# Builds the Windows package of Duskwane on Debian 12, cross-compiled with
# mingw-w64: build-windows/duskwane-windows.zip (the game, exactly the DLLs it
# loads, its pictures, fonts and sounds, and LISEZMOI.txt).
#     bash scripts/windows.sh
# With DUSKWANE_WITH_TESTS=1 the test suite is built too (scripts/test.sh).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD=${WINDOWS_BUILD_DIR:-$ROOT/build-windows}
TESTS=${DUSKWANE_WITH_TESTS:-0}

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi

# The libraries are built from Debian's source packages: apt needs deb-src
# entries for the very suites the system installs from.
# shellcheck source=scripts/debian-sources.sh
source "$ROOT/scripts/debian-sources.sh"
deb_src_entries "$SUDO"

PACKAGES=(build-essential cmake pkg-config dpkg-dev perl mingw-w64 zip unzip googletest
    fonts-dejavu-extra fonts-ebgaramond-extra python3-fonttools imagemagick)
if [ "$TESTS" = 1 ]; then
    PACKAGES+=(wine wine64 xvfb xauth xdotool x11-utils icoutils libx11-dev)
fi
install_missing "$SUDO" "${PACKAGES[@]}"

libraries windows-libs.sh "libraries for Windows" "${1:-}"

t0=$(date +%s)
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" -DDUSKWANE_MINGW_PREFIX="$PREFIX" \
    -DCMAKE_BUILD_TYPE=Release \
    -DDUSKWANE_TESTS="$([ "$TESTS" = 1 ] && echo ON || echo OFF)"
cmake --build "$BUILD" -j 2
echo "# game for Windows built in $(($(date +%s) - t0)) s"

# The package: the game, then every DLL it loads that is not part of Windows,
# found by following the import tables from the game down.
PKG=$BUILD/package/duskwane
rm -rf "$BUILD/package" "$BUILD/duskwane-windows.zip"
mkdir -p "$PKG"
cp "$BUILD/duskwane.exe" "$PKG/"
x86_64-w64-mingw32-strip "$PKG/duskwane.exe"
cp -r "$BUILD/rsrc_img" "$BUILD/rsrc_snd" "$BUILD/licences" "$PKG/"
sed 's/$/\r/' "$ROOT/packaging/LISEZMOI.txt" >"$PKG/LISEZMOI.txt"
todo=("$PKG/duskwane.exe")
while [ "${#todo[@]}" -gt 0 ]; do
    file=${todo[0]}
    todo=("${todo[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ { print $3 }'); do
        [ -f "$PKG/$dll" ] && continue
        if [ -f "$PREFIX/bin/$dll" ]; then
            cp "$PREFIX/bin/$dll" "$PKG/"
            x86_64-w64-mingw32-strip "$PKG/$dll"
            todo+=("$PKG/$dll")
        elif [ -f "/usr/x86_64-w64-mingw32/lib/$dll" ] || ls /usr/lib/gcc/x86_64-w64-mingw32/*/"$dll" >/dev/null 2>&1; then
            echo "$file needs the compiler's $dll: link it statically" >&2
            exit 1
        fi
    done
done
(cd "$PKG" && zip -qr9 "$BUILD/duskwane-windows.zip" .)
echo "# $BUILD/duskwane-windows.zip: $(du -k "$BUILD/duskwane-windows.zip" | cut -f1) kB;" \
    "DLLs: $(cd "$PKG" && ls -- *.dll | tr '\n' ' ')"

[ "$TESTS" = 1 ] || exit 0

# The tests, under Wine: the suite with SDL's dummy drivers (as on Linux), then
# the package played end to end in a virtual X server.
WORK=$(mktemp -d "${TMPDIR:-/tmp}/duskwane-windows.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
# shellcheck source=tests/e2e/lib.sh
source "$ROOT/tests/e2e/lib.sh"
t0=$(date +%s)
wine_prefix || exit 1
echo "# Wine prefix $WINEPREFIX ready in $(($(date +%s) - t0)) s"
t0=$(date +%s)
status=0
# The long event floods and the road per spoiled asset test the game's own logic, the same on
# every system, and run on the Linux legs; here the road runs whole, without assets, without
# a writable map, with each damaged sound of the sound corpus in place of a game sound, and
# with one of each crafted picture and font (tests/crafted/) in place of the game's.
ROADS='Road\..*/(AllPresent|AllMissing|AllMissingButMenuButtons|MapNotWritable|Replaced_(refused|damaged)_(au|module|ogg|mp3).*'
ROADS+='|Replaced_refused_(huge_rsrc_img_menu_jpg|scans_rsrc_img_Menu_menu_jpg|(bearing|line)_rsrc_img_font_Tessmarin_ttf))( |$)'
(cd "$BUILD" && ctest --output-on-failure -j 2 ${WINDOWS_CTEST_ARGS:--LE slow} &&
    ctest --output-on-failure -j 2 -R "${WINDOWS_ROADS:-$ROADS}") || status=1
echo "# test suite under Wine: $(($(date +%s) - t0)) s"
t0=$(date +%s)
bash "$ROOT/tests/e2e/wine.sh" "$BUILD/duskwane-windows.zip" "${LINUX_MAP:-$ROOT/build/map.map}" || status=1
echo "# package end to end under Wine: $(($(date +%s) - t0)) s"
exit $status
