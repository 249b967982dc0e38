#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: in Release builds
# with g++ and with clang 14, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the window's tests on Qt's offscreen platform,
# a short run of the fuzzers, and the Debian package installed, used and
# purged in a clean Debian 12 root.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
# setup.sh installed srec_cat: the hex tests that check against it must run.
export TARNIK_REQUIRE_SREC_CAT=1
# and python3, with which the digest tests check against zlib.
export TARNIK_REQUIRE_PYTHON3=1

# The way users build: Release (-O3), here with warnings as errors so that
# an optimiser's warning cannot creep in; g++ first, clang further down.
echo "== release build with g++"
bash "$here/scripts/build.sh" "$here/build-release" -DCMAKE_BUILD_TYPE=Release \
  -DTARNIK_BUILD_BENCH=ON
ctest --test-dir "$here/build-release" --output-on-failure

# The USB backend through libftdi against QEMU's emulated FTDI chip. Never
# skipped: a missing QEMU or kernel fails it.
echo "== usb backend against an emulated FTDI chip"
bash "$here/scripts/usb_emulation_test.sh" "$here/build-release"

echo "== address and undefined-behaviour sanitizers"
bash "$here/scripts/build.sh" "$here/build-sanitize" -DTARNIK_SANITIZE=ON
# Leaks are checked in the core; the toolkit's own caches would drown them in
# the window's tests.
UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$here/build-sanitize" --output-on-failure -L '^core$'
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$here/build-sanitize" --output-on-failure -L '^window$'

echo "== release build with clang 14"
CXX=clang++-14 bash "$here/scripts/build.sh" "$here/build-release-clang" -DCMAKE_BUILD_TYPE=Release
ctest --test-dir "$here/build-release-clang" --output-on-failure

if ls "$here"/fuzz/*.cpp >/dev/null 2>&1; then
  echo "== fuzzers"
  CXX=clang++-14 cmake -S "$here" -B "$here/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTARNIK_BUILD_FUZZ=ON -DTARNIK_BUILD_UI=OFF -DTARNIK_SANITIZE=ON >/dev/null
  for source in "$here"/fuzz/*.cpp; do
    name=$(basename "$source" .cpp)
    cmake --build "$here/build-fuzz" --target "$name" -j "$(nproc)"
    corpus="$here/fuzz/corpus/$name"
    mkdir -p "$here/build-fuzz/corpus-$name"
    "$here/build-fuzz/$name" -max_total_time=20 -rss_limit_mb=2048 \
      "$here/build-fuzz/corpus-$name" $( [ -d "$corpus" ] && echo "$corpus" )
  done
fi
echo "== the Debian package, installed in a clean Debian 12 root"
bash "$here/scripts/package_test.sh" "$here/build-package"

echo "== all tests passed"
