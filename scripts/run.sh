#!/bin/bash
# Builds Duskwane and starts it in its run-time directory.
set -euo pipefail
DUSKWANE_WITH_TESTS=0
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"
exec ./duskwane
