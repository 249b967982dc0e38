#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNIK_BUILD_UI=ON -DTARNIK_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
