#!/bin/bash
# Builds Duskwane for the browser with Debian's Emscripten: build-web/, a
# static folder any web server serves (index.html; duskwane.HASH.js, .wasm and
# .data, which holds rsrc_img/ with the fonts and rsrc_snd/, each with its gzip
# copy; the card's picture; the service worker, the manifest, the icons and the
# screenshots for playing offline and installing; the fonts' licences).
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
PACKAGES=(emscripten cmake make dpkg-dev patch fonts-dejavu-extra fonts-ebgaramond-extra python3-fonttools imagemagick)
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
# Each file the page loads carries its content's hash in its name: a page gets
# its own build's files or none, whatever the host's cache headers. Beside each
# game file, a gzip copy (-n: the same bytes every build), which the page
# unpacks itself. The page is given the names and sizes, and the card's picture
# (the title's), which it shows before the game's files have arrived.
fichiers=""
for f in js wasm data; do
    nom=duskwane.$(sha256sum "$BUILD/duskwane.$f" | cut -c1-12).$f
    cp "$BUILD/duskwane.$f" "$OUT/$nom"
    gzip -9 -n -c "$OUT/$nom" >"$OUT/$nom.gz"
    fichiers+="$f: {nom: '$nom', octets: $(stat -c %s "$OUT/$nom"), gz: $(stat -c %s "$OUT/$nom.gz")}, "
done
# What only the opening needs, outside the data file (CMakeLists.txt lists it).
tardifs=""
while read -r chemin; do
    base=$(basename "$chemin")
    nom=${base%.*}.$(sha256sum "$BUILD/$chemin" | cut -c1-12).${base##*.}
    cp "$BUILD/$chemin" "$OUT/$nom"
    tardifs+="{chemin: '$chemin', nom: '$nom'}, "
done <"$BUILD/later.txt"
carte=carte.$(sha256sum "$BUILD/rsrc_img/menu.jpg" | cut -c1-12).jpg
cp "$BUILD/rsrc_img/menu.jpg" "$OUT/$carte"
edition=$( (cd "$OUT" && ls && cat "$ROOT"/web/{index.html,service-worker.js,manifest.webmanifest}) | sha256sum | cut -c1-12)
sed -e "s|/\*EDITION\*/{id: '', fichiers: {}, tardifs: \[\]}|{id: '$edition', carte: '$carte', fichiers: {${fichiers%, }}, tardifs: [${tardifs%, }]}|" \
    -e "s|carte\.jpg|$carte|g" "$ROOT/web/index.html" >"$OUT/index.html"
grep -q "id: '$edition'" "$OUT/index.html" || { echo "the page's build line was not written" >&2; exit 1; }
cp "$BUILD"/{favicon.ico,duskwane-192.png,duskwane-512.png,duskwane-masquable.png} "$OUT/"
cp "$ROOT"/web/{service-worker.js,manifest.webmanifest} "$OUT/"
cp "$ROOT/docs/screenshots/title.jpg" "$OUT/ecran-titre.jpg"
cp "$ROOT/docs/screenshots/menu_hover.jpg" "$OUT/ecran-menu.jpg"
cp "$ROOT/docs/screenshots/textbox.jpg" "$OUT/ecran-texte.jpg"
cp -r "$BUILD/licences" "$OUT/"
echo "# game for the browser built in $(($(date +%s) - t0)) s; $OUT: $(du -sk "$OUT" | cut -f1) kB"

[ "$TESTS" = 1 ] || exit 0
t0=$(date +%s)
status=0
/usr/bin/python3 "$ROOT/tests/e2e/web.py" "$OUT" "${LINUX_MAP:-$ROOT/build/map.map}" || status=1
echo "# game played in headless Chromium: $(($(date +%s) - t0)) s"
exit $status
