#!/bin/bash
# Builds Duskwane with its tests and runs every one of them.
set -euo pipefail
DUSKWANE_WITH_TESTS=1
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j 2

# The same suite again built with AddressSanitizer and UndefinedBehaviorSanitizer,
# in its own build directory. Leaks are checked at every exit; the suppressions
# cover system libraries only. ASan's quarantine of freed memory is kept small so
# that the tests' resident-memory checks still mean something; the link-order
# check is off so that a tool preloaded into the game (stdbuf, say) does not
# stop it.
ASAN_DIR="$ROOT/build-asan"
cmake -S "$ROOT" -B "$ASAN_DIR" -DDUSKWANE_SANITIZE=ON ${CMAKE_EXTRA:-}
cmake --build "$ASAN_DIR" -j "$(nproc)"
cd "$ASAN_DIR"
ASAN_OPTIONS="detect_leaks=1:quarantine_size_mb=1:abort_on_error=0:strict_string_checks=1:verify_asan_link_order=0" \
LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --output-on-failure -j 2

# Windows: the same game cross-built with mingw-w64, its suite and its zip
# tested under Wine (scripts/windows.sh). Needs build/map.map from above.
DUSKWANE_WITH_TESTS=1 bash "$ROOT/scripts/windows.sh"
