#!/bin/bash
# Cross-builds, for the browser with Debian's Emscripten, the libraries the
# game's sound decoders (cmake/sound-decoders.c, built with the game) need:
# libogg, libvorbis and mpg123 from Debian's own source packages, with the
# SDL_sound.h Debian ships, into a cache folder outside the repository whose
# name carries a hash of this recipe:
#     ${XDG_CACHE_HOME:-$HOME/.cache}/duskwane/web-<hash>
# SDL, SDL_image, SDL_ttf and SDL_mixer are Emscripten's own. A folder that
# exists is complete (built under a temporary name, renamed at the end) and is
# reused as it is. Prints the folder on its last line.
# Needs deb-src entries for the system's suites (scripts/web.sh adds them).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS=${JOBS:-2}
# Debian's node may not be the one on PATH; Emscripten's tools need its modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
HASH=$(cd "$ROOT" && find scripts/web-libs.sh scripts/debian-sources.sh -type f | sort |
    xargs cat | cat - <(emcc --version | head -n 1) | sha256sum | cut -c1-12)
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/duskwane
PREFIX=$CACHE/web-$HASH
if [ -d "$PREFIX" ]; then
    echo "# libraries for the browser: cached in $PREFIX"
    echo "$PREFIX"
    exit 0
fi

SOURCES=$CACHE/sources
STAGE=$CACHE/.web-$HASH.$$
WORK=$STAGE.work
# KEEP_FAILED=1 keeps a failed build's folders to look into.
trap '[ "${KEEP_FAILED:-0}" = 1 ] || rm -rf "$STAGE" "$WORK"' EXIT
mkdir -p "$SOURCES" "$STAGE"/{lib,include/SDL} "$WORK"
started=$(date +%s)
# shellcheck source=scripts/debian-sources.sh
source "$ROOT/scripts/debian-sources.sh"

export PKG_CONFIG_LIBDIR=$STAGE/lib/pkgconfig
export CPPFLAGS="-I$STAGE/include"
export LDFLAGS="-L$STAGE/lib"
export CFLAGS="-O2"
configure_web() {
    emconfigure ./configure --host=wasm32-unknown-linux-gnu --prefix="$STAGE" --disable-shared --enable-static "$@" \
        >configure.log 2>&1 || { tail -30 configure.log; return 1; }
}
make_install() { make -j"$JOBS" "$@" >make.log 2>&1 && make install "$@" >>make.log 2>&1 || { tail -30 make.log; return 1; }; }
step() { echo "# $(($(date +%s) - started)) s: $*"; }

step libogg
enter libogg
configure_web
make_install

step libvorbis
enter libvorbis
configure_web --disable-oggtest --disable-docs --disable-examples
make_install

step mpg123
enter mpg123
configure_web --disable-components --enable-libmpg123 --with-cpu=generic_fpu --disable-modules --with-audio=dummy \
    --disable-largefile
make_install

# The interface of the decoders, as Debian ships it (libsdl-sound1.2-dev).
cp /usr/include/SDL/SDL_sound.h "$STAGE/include/SDL/"

grep -rlI --null "$STAGE" "$STAGE" | xargs -0 -r sed -i "s|$STAGE|$PREFIX|g"
mv "$STAGE" "$PREFIX"
step "done: $PREFIX"
echo "$PREFIX"
