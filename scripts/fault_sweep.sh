#!/usr/bin/env bash
# The long run of the fault-injection test: every operation, type and fault
# at N packet indices each (default 300), or at every index with "all"; and
# the command line's program and verify cut from start-up to shut-down (the
# load, the check before the burn and its closing idle sequence included),
# each ending on its "Stopped: ..." line with one time-out line per short
# write.
#   scripts/fault_sweep.sh [N|all] [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
spread=${1:-300}
dir=${2:-$here/build}
[ -x "$dir/tarnik_tests" ] || bash "$here/scripts/build.sh" "$dir"
TARNIK_FAULT_SWEEP=$spread "$dir/tarnik_tests" --gtest_filter='Fault_Injection.*'
