#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window against the
# simulated programmer. Extra arguments go to the program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$here/build"
cd "$here/data"
exec "$here/build/tarnik" --simulate "$@"
