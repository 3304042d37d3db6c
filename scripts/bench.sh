#!/bin/bash
# Builds Duskwane and runs its benchmark in the run-time directory three times:
# headless (dummy video and audio drivers) on classic SDL, then in a real X
# window (Xvfb, the x11 video driver) on classic SDL and on sdl12-compat, the
# SDL 1.2 of current distributions. Prints the figures side by side, each with
# its target, then each run's details. Exit status 2 when a target is missed.
# Takes about eight minutes; the figures are timings, so run it on an
# otherwise idle machine (the load average is printed before each run).
set -euo pipefail
DUSKWANE_WITH_TESTS=0
DUSKWANE_WITH_BENCH=1
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"
COMPAT_DIR=/usr/lib/x86_64-linux-gnu/sdl12-compat
OUT=$(mktemp -d "${TMPDIR:-/tmp}/duskwane-bench.XXXXXX")
XVFB_PID=""
cleanup() {
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$OUT"
}
trap cleanup EXIT

echo "# $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(awk '/MemTotal/ { printf "%.0f MB", $2 / 1024 }' /proc/meminfo)"
status=0
RUNS=()
run() {
    local name=$1
    shift
    RUNS+=("$name")
    echo "# $name: load average $(cut -d' ' -f1-3 /proc/loadavg) before the run"
    local s=0
    env SDL_AUDIODRIVER=dummy "$@" ./duskwane_bench >"$OUT/${#RUNS[@]}.tsv" || s=$?
    if [ "$s" = 2 ]; then status=2; elif [ "$s" != 0 ]; then echo "# $name: the benchmark failed ($s)"; exit 1; fi
}

run "headless, classic SDL" SDL_VIDEODRIVER=dummy
# Without -noreset the server resets when its last client leaves, and the next run could not connect.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$OUT/display" 2>/dev/null &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$OUT/display" ] && break; sleep 0.1; done
DISPLAY=:$(head -n 1 "$OUT/display")
run "X11, classic SDL" SDL_VIDEODRIVER=x11 DISPLAY="$DISPLAY"
run "X11, sdl12-compat" SDL_VIDEODRIVER=x11 DISPLAY="$DISPLAY" LD_LIBRARY_PATH="$COMPAT_DIR${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

# Side by side: a line of values (with ok or MISSED) and a line of targets per figure.
awk -F'\t' -v runs="${#RUNS[@]}" -v names="$(IFS='|'; echo "${RUNS[*]}")" '
    FNR == 1 { f++ }
    { if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 }
      val[$1, f] = $2 (($4 == "ok") ? "" : "  MISSED"); tgt[$1, f] = $3; det[f, $1] = $5 }
    END {
        split(names, name, "|")
        line = sprintf("%-20s", "")
        for (r = 1; r <= runs; r++) line = line sprintf(" | %-46s", name[r])
        print line
        for (i = 1; i <= n; i++) {
            k = order[i]; line = sprintf("%-20s", k); t = sprintf("%-20s", "  target"); any = 0
            for (r = 1; r <= runs; r++) {
                line = line sprintf(" | %-46s", val[k, r])
                t = t sprintf(" | %-46s", tgt[k, r]); if (tgt[k, r] != "-" && tgt[k, r] != "") any = 1
            }
            print line; if (any) print t
        }
        for (r = 1; r <= runs; r++) {
            print "\n# " name[r]
            for (i = 1; i <= n; i++) if (det[r, order[i]] != "") print "  " order[i] ": " det[r, order[i]]
        }
    }' "$OUT"/[0-9]*.tsv
exit "$status"
