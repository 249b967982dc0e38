#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, desktop-file-validate and
# appstreamcli, then installs it with apt into a clean Debian 12 root made
# from this machine's own apt sources and tries it there as a user would:
# versions, a simulated probe and blank check, the window started from the
# home folder, the manual page, the completion. Then it removes the package
# and checks that nothing of it is left but the user's own files.
#
#   bash scripts/package_test.sh [BUILD_DIR]
#
# Needs root (for the root and apt inside it) and the network the apt sources
# point at.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-package}

if [ "$(id -u)" -ne 0 ]; then exec sudo -E bash "$0" "$@"; fi
bash "$here/scripts/setup.sh"

fail() {
  echo "package_test: $*" >&2
  exit 1
}

echo "== building the package in $build"
# Debian's own compiler and linker flags, with every hardening they know.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTARNIK_WERROR=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/tarnik_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/.*Version = "\(.*\)";/\1/p' "$build/generated/tarnik_version.h")
deb=$build/tarnik_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package $deb"
echo "$deb"

work=$(mktemp -d)
root=$work/root
cleanup() {
  for mount in "$root/proc" "$root/dev"; do
    if mountpoint -q "$mount" 2>/dev/null; then umount -l "$mount"; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

echo "== what the package holds"
dpkg-deb -f "$deb"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$(dpkg-parsechangelog -l "$here/data/changelog" -S Version)" = "$version" ] ||
  fail "data/changelog does not start with version $version"
# Every file a user relies on; one missing fails the test.
expected=(
  /usr/bin/tarnik
  /usr/bin/tarnik-cli
  /usr/bin/tarnik-make-update
  /usr/share/tarnik/Brevan.Txt
  /usr/share/tarnik/tarnik-record.schema.json
  /usr/lib/udev/rules.d/60-tarnik-programmer.rules
  /usr/share/applications/tarnik.desktop
  /usr/share/icons/hicolor/scalable/apps/tarnik.svg
  /usr/share/metainfo/org.tarnik.Tarnik.metainfo.xml
  /usr/share/man/man1/tarnik.1.gz
  /usr/share/man/man1/tarnik-cli.1.gz
  /usr/share/bash-completion/completions/tarnik-cli
  /usr/share/doc/tarnik/copyright
  /usr/share/doc/tarnik/changelog.gz
)
for file in "${expected[@]}"; do
  grep -qx "$file" "$work/contents" || fail "the package lacks $file"
done
dpkg-deb -f "$deb" Depends | grep -q libftdi1 || fail "the dependencies do not name libftdi1"

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== desktop entry and AppStream metadata"
mkdir "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
desktop-file-validate "$work/unpacked/usr/share/applications/tarnik.desktop"
appstreamcli validate --no-net "$work/unpacked/usr/share/metainfo/org.tarnik.Tarnik.metainfo.xml"

echo "== a clean Debian 12 root from this machine's apt sources"
sources=()
if grep -qE '^[[:space:]]*deb' /etc/apt/sources.list 2>/dev/null; then sources+=(/etc/apt/sources.list); fi
for file in /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  if [ -f "$file" ]; then sources+=("$file"); fi
done
[ ${#sources[@]} -gt 0 ] || fail "this machine has no apt sources"
mmdebstrap --quiet --mode=root --variant=apt --include=man-db,bash-completion \
  bookworm "$root" "${sources[@]}"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
find "$root" -xdev \( -path "$root/proc" -o -path "$root/dev" \) -prune -o -print | sort >"$work/before"

echo "== apt-get install ./$(basename "$deb")"
# mmdebstrap leaves no package lists behind.
in_root apt-get update -q >"$work/apt.log" || { cat "$work/apt.log"; fail "apt-get update"; }
in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$(basename "$deb")" \
  >"$work/apt.log" || { cat "$work/apt.log"; fail "apt-get install ./$(basename "$deb")"; }
in_root dpkg -L tarnik >"$work/installed"

echo "== the programs"
[ "$(in_root tarnik-cli --version)" = "tarnik-cli $version" ] || fail "tarnik-cli --version"
[ "$(in_root tarnik --version)" = "tarnik $version" ] || fail "tarnik --version"
in_root tarnik-cli --simulate probe
in_root tarnik-cli --simulate -d 82S129 blank

echo "== the window from the home folder"
home=/home/user
mkdir -p "$root$home"
touch "$work/started"
status=0
in_root sh -c "cd $home && HOME=$home QT_QPA_PLATFORM=offscreen timeout -k 5 5 tarnik --simulate" || status=$?
[ "$status" -eq 124 ] || fail "the window ended by itself (status $status) instead of running"
[ -f "$root$home/.config/tarnik/Tarnik.Cfg" ] || fail "no settings in ~/.config/tarnik/"
written=$(find "$root" -xdev \( -path "$root/proc" -o -path "$root/dev" -o -path "$root/tmp" \) -prune \
  -o -type f -newer "$work/started" -print | sed "s|^$root||")
[ "$written" = "$home/.config/tarnik/Tarnik.Cfg" ] || fail "the window wrote elsewhere too: $written"

echo "== the menu's Simulated Programmer action"
action=$(sed -n '/^\[Desktop Action simulated\]/,/^\[/s/^Exec=//p' "$root/usr/share/applications/tarnik.desktop")
# A desktop entry's string escapes (\\ for \), then its quoting, which is the
# shell's double quoting.
action=${action//\\\\/\\}
status=0
in_root sh -c "cd $home && HOME=$home QT_QPA_PLATFORM=offscreen timeout -k 5 5 $action" || status=$?
[ "$status" -eq 124 ] || fail "the Simulated Programmer action ended by itself (status $status)"
in_root tarnik-cli --simulate="$home/.local/share/tarnik/simulated-part.txt" -d 82S129 blank >/dev/null ||
  fail "the action left no usable simulated part in ~/.local/share/tarnik/"

echo "== manual pages and completion"
[ "$(in_root man -w tarnik-cli)" = /usr/share/man/man1/tarnik-cli.1.gz ] || fail "man -w tarnik-cli"
in_root man -w tarnik >/dev/null || fail "man -w tarnik"
offered=$(in_root bash -c '
  source /usr/share/bash-completion/bash_completion
  _completion_loader tarnik-cli
  COMP_WORDS=(tarnik-cli -d 82S1); COMP_CWORD=2
  COMP_LINE="tarnik-cli -d 82S1"; COMP_POINT=${#COMP_LINE}
  _tarnik_cli tarnik-cli 82S1 -d
  printf "%s\n" "${COMPREPLY[@]}"')
grep -qx 82S129 <<<"$offered" || fail "the completion offers no 82S129 after -d 82S1: $offered"

echo "== apt-get purge tarnik"
in_root sh -c "DEBIAN_FRONTEND=noninteractive apt-get purge -y -q --autoremove tarnik" \
  >"$work/apt.log" || { cat "$work/apt.log"; fail "apt-get purge tarnik"; }
! in_root dpkg -s tarnik >/dev/null 2>&1 || fail "tarnik is still known to dpkg"
while read -r path; do
  if [ -f "$root$path" ] || [ -L "$root$path" ]; then fail "left behind: $path"; fi
done <"$work/installed"
# Whatever the dependencies leave is theirs; nothing named after the program
# may stay but the user's own files.
find "$root" -xdev \( -path "$root/proc" -o -path "$root/dev" \) -prune -o -print | sort >"$work/after"
left=$(comm -13 "$work/before" "$work/after" | sed "s|^$root||" | grep -i tarnik | grep -v "^$home/" || true)
[ -z "$left" ] || fail "left behind after the purge: $left"
[ -f "$root$home/.config/tarnik/Tarnik.Cfg" ] || fail "the purge took the user's settings"

echo "== package test passed"
