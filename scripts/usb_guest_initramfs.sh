#!/usr/bin/env bash
# Builds the initramfs of a small Linux guest that runs tarnik-cli against a
# USB serial chip: Debian's kernel modules for the xHCI controller, busybox
# for the shell, tarnik-cli with every shared library it loads, and FILES
# under /images. No disk image, no root filesystem, no network.
#
# The guest's /init loads the USB modules, waits for an FTDI device, then
# takes lines on the first serial port, one request each, and answers each
# on one line (bytes in hex, so that any output survives the console):
#   RUN ID ARGS...  runs tarnik-cli ARGS in /work and answers
#                   "@@R ID EXIT SECONDS xSTDOUT-HEX xSTDERR-HEX"
#   LOG ID ARGS...  the same with /images/ftdi_call_log.so preloaded, which
#                   logs the chip's data calls to /work/ftdi-calls.txt
#   CAT ID FILE     answers "@@F ID xFILE-HEX", or "@@F ID -" when FILE is missing
#   QUIT            powers the guest off
#
# usage: scripts/usb_guest_initramfs.sh OUTPUT.cpio.gz TARNIK-CLI [FILE...]
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 OUTPUT.cpio.gz TARNIK-CLI [FILE...]" >&2
  exit 2
fi
output=$(realpath -m "$1")
cli=$(realpath "$2")
shift 2

kernel_release() {
  local image
  image=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
  [[ -n "$image" ]] || { echo "no kernel in /boot: install linux-image-amd64" >&2; return 1; }
  echo "${image#/boot/vmlinuz-}"
}
release=$(kernel_release)
modules=/usr/lib/modules/$release/kernel/drivers/usb
busybox=/bin/busybox
linkage=$(ldd "$busybox" 2>&1 || true)
[[ "$linkage" == *"not a dynamic executable"* ]] ||
  { echo "no static $busybox: install busybox-static" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,work,images,modules}
cp "$busybox" "$root/bin/busybox"
# The xHCI controller's modules, in the order they depend on each other;
# the kernel's own FTDI serial driver stays out, so libftdi finds the chip free.
for module in common/usb-common core/usbcore host/xhci-hcd host/xhci-pci; do
  cp "$modules/$module.ko" "$root/modules/"
done
cp "$cli" "$root/bin/tarnik-cli"
# Every library the program loads, and the dynamic loader, at their paths.
ldd "$cli" | grep -o '/[^ ]*' | sort -u | while read -r library; do
  mkdir -p "$root$(dirname "$library")"
  cp -L "$library" "$root$library"
done
for file in "$@"; do cp "$file" "$root/images/"; done

cat > "$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
echo 1 > /proc/sys/kernel/printk
for module in usb-common usbcore xhci-hcd xhci-pci; do insmod /modules/$module.ko; done
# The chip may be plugged in only once its other end is served.
for try in $(seq 600); do
  grep -qs 0403 /sys/bus/usb/devices/*/idVendor && break
  sleep 0.1
done
cp /images/* /work/ 2>/dev/null
cd /work
console=/dev/ttyS0
stty -F $console -echo -onlcr
hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }
uptime_cs() { read up rest < /proc/uptime; echo ${up%.*}${up#*.}; }
echo "@@READY" > $console
while read -r request id rest < $console; do
  case "$request" in
    RUN|LOG)
      start=$(uptime_cs)
      eval "set -- $rest"
      if [ "$request" = LOG ]; then
        LD_PRELOAD=/images/ftdi_call_log.so FTDI_CALL_LOG=/work/ftdi-calls.txt \
          /bin/tarnik-cli "$@" > /tmp/out 2> /tmp/err
      else
        /bin/tarnik-cli "$@" > /tmp/out 2> /tmp/err
      fi
      status=$?
      took=$(( $(uptime_cs) - start ))
      echo "@@R $id $status $((took / 100)).$(printf %02d $((took % 100))) x$(hex /tmp/out) x$(hex /tmp/err)" > $console
      ;;
    CAT)
      if [ -f "$rest" ]; then echo "@@F $id x$(hex "$rest")" > $console; else echo "@@F $id -" > $console; fi
      ;;
    QUIT) break ;;
  esac
done
poweroff -f
INIT
chmod +x "$root/init"
(cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) > "$output"
