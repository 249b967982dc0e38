#!/usr/bin/env bash
# Builds the window and walks it through a short tour under a virtual X
# display, on the simulated programmer, writing one PNG file per stop:
# scripts/screenshots.sh [OUT_DIR]   (default docs/screenshots)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$here/docs/screenshots}" && cd "${1:-$here/docs/screenshots}" && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$here/build"
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1024x768x24" "$here/build/tarnik-screenshots" "$out" "$here/data"
