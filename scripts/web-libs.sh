#!/bin/bash
# Cross-builds, for the browser with Debian's Emscripten, the libraries the
# game's sound decoders (lib/sound/, built with the game) need: libogg,
# libvorbis and mpg123 from Debian's own source packages, into a cache folder
# outside the repository whose name carries a hash of this recipe:
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
# shellcheck source=scripts/debian-sources.sh
source "$ROOT/scripts/debian-sources.sh"
open_cache "web-$(cd "$ROOT" && find scripts/web-libs.sh scripts/debian-sources.sh -type f | sort |
    xargs cat | cat - <(emcc --version | head -n 1) | sha256sum | cut -c1-12)" "libraries for the browser"

configure_web() {
    emconfigure ./configure --host=wasm32-unknown-linux-gnu --prefix="$STAGE" --disable-shared --enable-static "$@" \
        >configure.log 2>&1 || { tail -30 configure.log; return 1; }
}

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

close_cache
