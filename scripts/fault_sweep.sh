#!/usr/bin/env bash
# The long run of the fault-injection test: every operation, type and fault
# at N packet indices each (default 300), or at every index with "all".
#   scripts/fault_sweep.sh [N|all] [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
spread=${1:-300}
dir=${2:-$here/build}
[ -x "$dir/tarnik_tests" ] || bash "$here/scripts/build.sh" "$dir"
TARNIK_FAULT_SWEEP=$spread "$dir/tarnik_tests" --gtest_filter='Fault_Injection.*'
