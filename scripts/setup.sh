#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, run and test Tarnik.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl1-mesa-dev
  libftdi1-dev
  zlib1g-dev nettle-dev
  libexpat1-dev libzip-dev libpng-dev
  nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev
  srecord
  python3 python3-jsonschema bash-completion
  xvfb xauth fonts-dejavu-core
  qemu-system-x86 linux-image-amd64 busybox-static cpio xxd
  dpkg-dev lintian mmdebstrap desktop-file-utils appstream
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
