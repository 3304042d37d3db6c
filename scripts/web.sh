#!/bin/bash
# Builds Duskwane for the browser with Debian's Emscripten: build-web/, a
# static folder any web server serves (index.html, duskwane.js, duskwane.wasm
# and duskwane.data, which holds rsrc_img/ with the fonts and rsrc_snd/; the
# service worker, the manifest and the icons for playing offline and installing).
#     bash scripts/web.sh
#     python3 -m http.server -d build-web     # then open http://localhost:8000/
# With DUSKWANE_WITH_TESTS=1 the game is then played in headless Chromium
# (tests/e2e/web.py; scripts/test.sh).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT=${WEB_DIR:-$ROOT/build-web}
BUILD=${WEB_BUILD_DIR:-$ROOT/build-emscripten}
TESTS=${DUSKWANE_WITH_TESTS:-0}
# Debian's node may not be the one on PATH; Emscripten's tools need its modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
# shellcheck source=scripts/debian-sources.sh
source "$ROOT/scripts/debian-sources.sh"
deb_src_entries "$SUDO"
PACKAGES=(emscripten cmake make dpkg-dev patch fonts-dejavu-extra fonts-ebgaramond-extra imagemagick)
if [ "$TESTS" = 1 ]; then
    PACKAGES+=(chromium chromium-driver python3-selenium python3-pil)
fi
install_missing "$SUDO" "${PACKAGES[@]}"

libraries web-libs.sh "libraries for the browser" "${1:-}"

t0=$(date +%s)
emcmake cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DDUSKWANE_TESTS=OFF -DDUSKWANE_WEB_PREFIX="$PREFIX" >/dev/null
# The data file is packed at link time: a changed picture or sound links again.
rm -f "$BUILD/duskwane.js"
cmake --build "$BUILD" -j 2 --target duskwane
rm -rf "$OUT"
mkdir -p "$OUT"
cp "$BUILD"/duskwane.{js,wasm,data} "$BUILD"/{favicon.ico,duskwane-192.png,duskwane-512.png} "$OUT/"
cp "$ROOT"/web/{index.html,service-worker.js,manifest.webmanifest} "$OUT/"
echo "# game for the browser built in $(($(date +%s) - t0)) s; $OUT: $(du -sk "$OUT" | cut -f1) kB"

[ "$TESTS" = 1 ] || exit 0
t0=$(date +%s)
status=0
/usr/bin/python3 "$ROOT/tests/e2e/web.py" "$OUT" "${LINUX_MAP:-$ROOT/build/map.map}" || status=1
echo "# game played in headless Chromium: $(($(date +%s) - t0)) s"
exit $status
