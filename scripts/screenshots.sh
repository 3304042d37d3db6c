#!/bin/bash
# Refreshes the README's screenshots in docs/screenshots/: builds the game,
# plays it through the end-to-end test in a virtual X server, which keeps a
# screenshot of each main screen, and stores each as a small JPEG of the
# 1060 x 740 window.
set -euo pipefail
DUSKWANE_WITH_TESTS=1
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

SHOTS=$(mktemp -d "${TMPDIR:-/tmp}/duskwane-shots.XXXXXX")
trap 'rm -rf "$SHOTS"' EXIT
(cd "$BUILD_DIR" && E2E_SHOTS="$SHOTS" bash "$ROOT/tests/e2e/run.sh" ./duskwane) ||
    echo "# the end-to-end run reported failures; keeping whatever screenshots it took"

OUT="$ROOT/docs/screenshots"
mkdir -p "$OUT"
missing=0
for name in title menu_hover textbox whiteout portrait monologue; do
    if [ ! -f "$SHOTS/$name.png" ]; then
        echo "# no $name.png from the end-to-end run"
        missing=1
        continue
    fi
    convert "$SHOTS/$name.png" -crop 1060x740+0+0 +repage -strip -quality 82 "$OUT/$name.jpg"
    echo "$OUT/$name.jpg: $(identify -format '%wx%h' "$OUT/$name.jpg"), $(stat -c %s "$OUT/$name.jpg") bytes"
done
exit "$missing"
