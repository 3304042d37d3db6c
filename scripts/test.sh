#!/bin/bash
# Builds Duskwane with its tests and runs every one of them.
set -euo pipefail
DUSKWANE_WITH_TESTS=1
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j 2
