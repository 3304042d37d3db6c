#!/bin/bash
# The installed game: installs the build into a scratch prefix, starts the
# launcher headless from an unrelated directory, and checks that the game
# found its assets and wrote map.map into the player's data directory, not
# into the prefix nor where it was started from.
#
#     tests/install/run.sh path/to/cmake path/to/build
set -euo pipefail

CMAKE=${1:?usage: $0 cmake build-dir}
BUILD=${2:?usage: $0 cmake build-dir}
MAP_BYTES=1215

WORK=$(mktemp -d "${TMPDIR:-/tmp}/duskwane-install.XXXXXX")
GAME_PID=""
cleanup() {
    if [ -n "$GAME_PID" ]; then
        kill -KILL "$GAME_PID" 2>/dev/null || true
        wait "$GAME_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

FAILED=0
ok() { echo "ok - $*"; }
fail() {
    FAILED=1
    echo "FAIL - $*"
}
check() {
    local what=$1
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

PREFIX=$WORK/prefix
if ! "$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1; then
    echo "FAIL - cmake --install: $(tail -c 500 "$WORK/install.log")"
    exit 1
fi
check "install: the launcher is an executable in bin/" [ -x "$PREFIX/bin/duskwane" ]
check "install: the game is in lib/duskwane/" [ -x "$PREFIX/lib/duskwane/duskwane" ]
check "install: both fonts are installed" \
    [ -s "$PREFIX/share/duskwane/rsrc_img/font/volter.ttf" -a -s "$PREFIX/share/duskwane/rsrc_img/font/Tessmarin.ttf" ]
check "install: the desktop entry starts the launcher" grep -qx 'Exec=duskwane' "$PREFIX/share/applications/duskwane.desktop"

no_error_line() { ! grep -q "#ERREUR" "$1"; }
map_size() { stat -c %s "$1" 2>/dev/null || echo 0; }

# run NAME DATA_DIR ENV...: starts the launcher with the environment given and
# checks the game's run in DATA_DIR.
run() {
    local name=$1 data=$2
    shift 2
    local out=$WORK/$name.out start=$WORK/$name.cwd
    mkdir -p "$start"
    # Standard output to a file, fully buffered: stopping the game must still leave all it printed there.
    (cd "$start" && exec env -u XDG_DATA_HOME "$@" SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        "$PREFIX/bin/duskwane" >"$out" 2>&1) &
    GAME_PID=$!
    local waited=0
    while [ "$(map_size "$data/map.map")" != "$MAP_BYTES" ] && [ "$waited" -lt 100 ] && kill -0 "$GAME_PID" 2>/dev/null; do
        sleep 0.1
        waited=$((waited + 1))
    done
    # The title screen waits for ever without events: let it run a little, then stop it.
    sleep 2
    if kill -0 "$GAME_PID" 2>/dev/null; then
        ok "$name: the game is still on the title screen after 2 s"
        # Being asked to stop is a close request: the game ends by itself with status 0.
        kill -TERM "$GAME_PID" 2>/dev/null || true
        waited=0
        while kill -0 "$GAME_PID" 2>/dev/null && [ "$waited" -lt 50 ]; do
            sleep 0.1
            waited=$((waited + 1))
        done
        kill -KILL "$GAME_PID" 2>/dev/null || true
        local status=0
        wait "$GAME_PID" 2>/dev/null || status=$?
        check "$name: SIGTERM ends the game with status 0 (has $status)" [ "$status" = 0 ]
    else
        fail "$name: the game ended on its own: $(tr '\n' ' ' <"$out" | tail -c 300)"
        wait "$GAME_PID" 2>/dev/null || true
    fi
    GAME_PID=""

    check "$name: map.map written in $data with $MAP_BYTES bytes (has $(map_size "$data/map.map"))" \
        [ "$(map_size "$data/map.map")" = "$MAP_BYTES" ]
    check "$name: the assets are linked into the data directory" \
        [ -L "$data/rsrc_img" -a -f "$data/rsrc_img/menu.jpg" -a -f "$data/rsrc_snd/Menu/wind.wav" ]
    check "$name: no asset failed to load (output: $(head -c 200 "$out" | tr '\n' ' '))" \
        no_error_line "$out"
    check "$name: nothing written in the starting directory" [ -z "$(ls -A "$start")" ]
    check "$name: no map.map anywhere in the prefix" [ -z "$(find "$PREFIX" -name map.map)" ]
}

run home "$WORK/home/.local/share/duskwane" HOME="$WORK/home"
run xdg "$WORK/xdg/duskwane" HOME="$WORK/home2" XDG_DATA_HOME="$WORK/xdg"
check "xdg: XDG_DATA_HOME is preferred to HOME" [ ! -e "$WORK/home2/.local/share/duskwane" ]

exit "$FAILED"
