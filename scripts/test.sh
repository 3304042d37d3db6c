#!/bin/bash
# Builds Duskwane with its tests and runs every one of them.
set -euo pipefail
DUSKWANE_WITH_TESTS=1
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"

# From a fresh machine the Windows and browser libraries take a quarter of an
# hour to build from Debian's sources: they are built (their packages
# installed first) at the lowest priority while the legs below run, which
# mostly wait on the game's own pacing. Nothing else uses apt meanwhile. With
# the caches warm this takes seconds. The build runs in a session of its own,
# so that a leg failing before it ends stops it whole.
LIBS_LOG="$BUILD_DIR/libraries.log"
DUSKWANE_WITH_TESTS=1 setsid -w nice -n 19 bash -c 'bash "$1/scripts/windows.sh" --libs-only &&
    bash "$1/scripts/web.sh" --libs-only' libraries "$ROOT" >"$LIBS_LOG" 2>&1 &
LIBS_PID=$!
trap 'kill -- -"$LIBS_PID" 2>/dev/null || true' EXIT

DUSKWANE_SDL=classic ctest --output-on-failure -j 2

# The same suite again built with AddressSanitizer and UndefinedBehaviorSanitizer,
# in its own build directory. Leaks are checked at every exit; the suppressions
# cover system libraries only. ASan's quarantine of freed memory is kept small so
# that the tests' resident-memory checks still mean something; the link-order
# check is off so that a tool preloaded into the game (stdbuf, say) does not
# stop it.
# A picture or a font that is empty, cut or random fails inside its decoder, a
# system library the sanitizers do not instrument, and the game then meets the
# same null result as for a missing file; a missing picture is that same null
# again, which the roads with every file missing and with only the menu buttons
# give the sanitizers for every picture at once, and each screen's own tests
# for its stand-ins run here too. So the road cases that spoil one picture (66
# of them) run in the first leg only; missing fonts stay. Damaged sounds stay,
# since the game reads their headers itself.
ASAN_LEAVES_OUT='^Assets/Road\..*/((Empty|FirstHalf|RandomBytes)_rsrc_img_|Missing_rsrc_img_.*_(jpg|png)( |$))'
ASAN_DIR="$ROOT/build-asan"
cmake -S "$ROOT" -B "$ASAN_DIR" -DDUSKWANE_SANITIZE=ON ${CMAKE_EXTRA:-}
cmake --build "$ASAN_DIR" -j "$(nproc)"
cd "$ASAN_DIR"
ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=1:abort_on_error=0:strict_string_checks=1:verify_asan_link_order=0" \
LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    DUSKWANE_SDL=classic ctest --output-on-failure -j 2 -E "$ASAN_LEAVES_OUT"

# The sound fuzzer (tests/fuzz/), built with clang: any file through the sound
# layer for a minute under ASan and UBSan, one target for every kind (the layer
# tells a kind by its first bytes). It starts from the corpus's files that
# decode fast, not from its long sounds (corpus/long/, replayed by the suite),
# and tries inputs of up to 4 KB, room for a Vorbis setup header. A finding
# fails the run; its input is left in build-fuzz/findings/ (replay it:
# build-fuzz/duskwane_fuzz_sound <file>). An input may rightly decode up to the
# bound on decoded sound, a third of a second that a loaded machine stretches
# past 5 s: a hang is an input still running after 30.
FUZZ_DIR="$ROOT/build-fuzz"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ_DIR" -DDUSKWANE_TESTS=OFF -DDUSKWANE_FUZZ=ON ${CMAKE_EXTRA:-} >/dev/null
cmake --build "$FUZZ_DIR" -j "$(nproc)" --target duskwane_fuzz_sound duskwane_fuzz_picture
# fuzz NAME SECONDS SEEDS...: one process a core, sharing build-fuzz/NAME/, each
# writing build-fuzz/fuzz-<n>.log; a finding stops the run.
fuzz() {
    local name=$1 seconds=$2
    shift 2
    rm -rf "${FUZZ_DIR:?}/$name" "$FUZZ_DIR"/fuzz-*.log
    mkdir -p "$FUZZ_DIR/$name" "$FUZZ_DIR/findings"
    cp "$@" "$FUZZ_DIR/$name/"
    if ! (cd "$FUZZ_DIR" && "./duskwane_fuzz_$name" "$name" -jobs="$(nproc)" -workers="$(nproc)" -max_len=4096 \
        -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix=findings/ >fuzz.log 2>&1); then
        tail -n 40 "$FUZZ_DIR"/fuzz-*.log
        echo "# the $name fuzzer found a fault: $FUZZ_DIR/findings/"
        exit 1
    fi
}
rm -rf "$FUZZ_DIR/findings"
fuzz sound 60 $(find "$ROOT/tests/fuzz/corpus" -maxdepth 1 -type f)
awk '/number_of_executed_units/ { n += $2 } /^# sound fuzzer:/ { w += $4; o += $6; m += $8 }
     END { printf "# sound fuzzer: %d inputs in a minute (%d wav, %d ogg, %d mp3 or other)\n", n, w, o, m }' \
    "$FUZZ_DIR"/fuzz-*.log
# The picture loader's fuzzer, the same way for half a minute, from the crafted
# pictures: a header the game lets through must decode within its bounds, and
# no decoder may crash or hang on what it is given.
fuzz picture 30 $(find "$ROOT/tests/crafted" -type f ! -name '*.ttf')
awk '/number_of_executed_units/ { n += $2 } END { printf "# picture fuzzer: %d inputs in half a minute\n", n }' \
    "$FUZZ_DIR"/fuzz-*.log

# The same game on sdl12-compat, the SDL 1.2 of current distributions (SDL 1.2 over
# SDL 2), loaded in place of classic SDL from its own folder: first the proof that
# the tests and the game load it, then the unit and screen tests, the installed
# tree, the end-to-end test, and a sample of the asset roads (one of each kind of
# damage, on files the whole road reads).
(
    cd "$BUILD_DIR"
    export LD_LIBRARY_PATH="/usr/lib/x86_64-linux-gnu/sdl12-compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    export DUSKWANE_SDL=sdl12-compat
    ctest --output-on-failure -R '^StartUp\.RunsOnTheSdlTheLegNames$'
    ROAD_SAMPLE='/(AllPresent|AllMissing|MapNotWritable|Missing_rsrc_img_Menu_menu_jpg|Empty_rsrc_snd_Menu_wind_wav|FirstHalf_rsrc_img_font_printBox_png|RandomBytes_rsrc_img_Zorvik_jpg|Replaced_refused_huge_rsrc_img_menu_jpg|Replaced_refused_scans_rsrc_img_Menu_menu_jpg|Replaced_refused_(bearing|line)_rsrc_img_font_Tessmarin_ttf)( |$)'
    ctest --output-on-failure -j 2 -LE slow -E '^StartUp\.RunsOnTheSdlTheLegNames$'
    ctest --output-on-failure -j 2 -L road -R "$ROAD_SAMPLE" -E valgrind
    # Pointer moves that would fill the queue while a line types: sdl12-compat keeps the same 128-event limit.
    ctest --output-on-failure -R '^Flood\.TextBoxPointerMotionThenCloseRequest$'
)

# A library build that failed in the background is done again by its leg, in the open.
wait "$LIBS_PID" || echo "# building the libraries in the background failed (see $LIBS_LOG): the legs below try again"

# Windows: the same game cross-built with mingw-w64, its suite and its zip
# tested under Wine (scripts/windows.sh). Needs build/map.map from above.
DUSKWANE_WITH_TESTS=1 bash "$ROOT/scripts/windows.sh"

# The browser: the same game built with Debian's Emscripten and played in
# Debian's headless Chromium (scripts/web.sh, tests/e2e/web.py). Needs
# build/map.map from above.
DUSKWANE_WITH_TESTS=1 bash "$ROOT/scripts/web.sh"
