#!/bin/bash
# Builds Duskwane and runs its benchmark headless in the run-time directory:
# one line per figure, median and worst over repeated runs, with its target.
# Exit status 2 when a target is missed. Takes about two minutes; run it on
# an otherwise idle machine, as the figures are timings.
set -euo pipefail
DUSKWANE_WITH_TESTS=0
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"
echo "# $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(awk '/MemTotal/ { printf "%.0f MB", $2 / 1024 }' /proc/meminfo), load $(cut -d' ' -f1-3 /proc/loadavg)"
exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ./duskwane_bench
