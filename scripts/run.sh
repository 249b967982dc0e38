#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window against the
# simulated programmer. The part in its socket lives in a state file in the
# user's data folder, so that a part programmed today is still programmed
# tomorrow. Extra arguments go to the program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
bash "$here/scripts/build.sh" "$here/build"
state_dir="${XDG_DATA_HOME:-$HOME/.local/share}/tarnik"
mkdir -p "$state_dir"
cd "$here/data"
exec "$here/build/tarnik" --simulate="$state_dir/simulated-part.txt" "$@"
