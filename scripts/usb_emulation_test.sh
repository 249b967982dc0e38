#!/usr/bin/env bash
# The USB backend against an FTDI chip nobody here wrote: QEMU's emulated
# FT232BM (usb-serial) in a small Linux guest, its other end a Unix socket
# served by tarnik-sim-firmware. tarnik-cli runs in the guest through
# libftdi and libusb; every command's exit code, standard output, dump, the
# part afterwards and the packets the firmware received must equal the same
# command run here with the simulated programmer in process. A cable pulled
# in the middle of a read must stop it within seconds, exit 3, ending on
# "Stopped: Programmer Lost...." with one box, and the chip must get no
# libftdi write, read or purge after the call that failed. Prints the
# guest's real-clock seconds of a 1k read at K = 1 and K = 16 and of an
# all-FF 1k program.
#
# usage: scripts/usb_emulation_test.sh [BUILD-DIR]   (default: build)
# Needs qemu-system-x86, linux-image-amd64 and busybox-static (setup.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
cli=$build/tarnik-cli
firmware=$build/tarnik-sim-firmware
boot_patience=120    # seconds for the guest to come up under TCG on a busy machine
command_patience=120 # seconds for one command in the guest
unplug_limit=10      # seconds an unplugged read may take to stop

fail() { echo "usb emulation test: FAIL: $*" >&2; exit 1; }
for program in qemu-system-x86_64 cpio gzip od xxd timeout; do
  command -v "$program" >/dev/null || fail "$program is missing (run scripts/setup.sh)"
done
kernel=$(ls /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[[ -n "$kernel" && -r "$kernel" ]] || fail "no readable kernel in /boot (install linux-image-amd64)"
[[ -x "$cli" && -x "$firmware" ]] || fail "build $cli and $firmware first"

work=$(mktemp -d)
qemu_pid=""
firmware_pid=""
cleanup() {
  [[ -n "$firmware_pid" ]] && kill "$firmware_pid" 2>/dev/null
  [[ -n "$qemu_pid" ]] && kill "$qemu_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
started=$SECONDS

# --- the images, the same on both sides --------------------------------------
mkdir -p "$work/images" "$work/host" "$work/guest"
pattern() {  # pattern SIZE MASK MULTIPLIER: a fixed image, no two neighbours alike
  local i
  for ((i = 0; i < $1; i++)); do printf '%02x' $(((i * $3 + 11) & $2)); done | xxd -r -p
}
pattern 256 15 37 > "$work/images/p129.bin"
pattern 512 255 59 > "$work/images/p147.bin"
head -c 512 /dev/zero > "$work/images/zero512.bin"
head -c 1024 /dev/zero | tr '\0' '\377' > "$work/images/ff1k.bin"
cp "$here/data/Update-1.07.Bin" "$work/images/"
cp "$work"/images/* "$work/host/"
# The guest's log of the chip's data calls, for the unplug case.
cc -shared -fPIC -O2 $(pkg-config --cflags libusb-1.0) -o "$work/ftdi_call_log.so" \
  "$here/scripts/ftdi_call_log.c" || fail "cannot build the call log (needs libusb-1.0-0-dev)"
bash "$here/scripts/usb_guest_initramfs.sh" "$work/guest.cpio.gz" "$cli" "$work"/images/* \
  "$work/ftdi_call_log.so"

# --- the guest ---------------------------------------------------------------
# boot DEVICE-OPTIONS: starts QEMU with the chip's other end on $work/fw.sock.
boot() {
  rm -f "$work/fw.sock" "$work/con.in" "$work/con.out"
  mkfifo "$work/con.in" "$work/con.out"
  timeout 600 qemu-system-x86_64 -machine q35 -m 256M -nodefaults -display none -no-reboot \
    -kernel "$kernel" -initrd "$work/guest.cpio.gz" \
    -append "console=ttyS0 quiet loglevel=1 panic=-1" \
    -chardev pipe,id=con,path="$work/con" -serial chardev:con \
    -device qemu-xhci \
    -chardev socket,id=c0,path="$work/fw.sock",server=on,wait=off \
    -device "usb-serial,chardev=c0$1" > "$work/qemu.log" 2>&1 &
  qemu_pid=$!
  exec 3<>"$work/con.in" 4<>"$work/con.out"
}

# await_guest: waits for the guest's shell on the serial port, which comes
# once the chip is there.
await_guest() {
  await "@@READY" "$boot_patience" ||
    fail "the guest did not come up; QEMU said: $(cat "$work/qemu.log")"
}

# await PREFIX SECONDS: reads the guest's lines until one starts with PREFIX;
# it is left in $reply.
await() {
  local deadline=$((SECONDS + $2))
  while ((SECONDS < deadline)); do
    read -r -t $((deadline - SECONDS + 1)) reply <&4 || continue
    [[ "$reply" == "$1"* ]] && return 0
  done
  return 1
}

halt_guest() {
  echo "QUIT" >&3
  local i
  for ((i = 0; i < 300; i++)); do kill -0 "$qemu_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$qemu_pid" 2>/dev/null || true
  wait "$qemu_pid" 2>/dev/null || true
  qemu_pid=""
  exec 3>&- 4<&-
}

# start_firmware STATE [OPTIONS...]: serves the chip's other end.
firmware_runs=0
start_firmware() {
  firmware_runs=$((firmware_runs + 1))
  timeout 600 "$firmware" --socket "$work/fw.sock" --simulate="$1" "${@:2}" \
    --trace "$work/firmware-trace-$firmware_runs.txt" 2> "$work/firmware.log" &
  firmware_pid=$!
}

stop_firmware() {
  kill "$firmware_pid" 2>/dev/null || true
  wait "$firmware_pid" 2>/dev/null || true
  firmware_pid=""
}

step_count=0
guest_run() {  # guest_run ARGS...: sets guest_status, guest_seconds, guest_out, guest_err (hex)
  guest_request RUN "$@"
}

# guest_run_logged ARGS...: guest_run with the chip's data calls logged to
# ftdi-calls.txt in the guest.
guest_run_logged() {
  guest_request LOG "$@"
}

guest_request() {  # guest_request RUN|LOG ARGS...
  local request=$1
  shift
  step_count=$((step_count + 1))
  echo "$request $step_count $*" >&3
  await "@@R $step_count " "$command_patience" || fail "no answer from the guest to: $*"
  read -r _ _ guest_status guest_seconds guest_out guest_err <<< "$reply"
  guest_out=${guest_out#x}
  guest_err=${guest_err#x}
}

guest_file() {  # guest_file NAME: the file's bytes in hex, or - when it is missing
  echo "CAT $step_count $1" >&3
  await "@@F $step_count " 30 || fail "the guest did not show $1"
  read -r _ _ guest_hex <<< "$reply"
  echo "${guest_hex#x}"
}

hex_of() { if [[ -f "$1" ]]; then od -An -tx1 -v "$1" | tr -d ' \n'; else echo -; fi; }
show() { xxd -r -p <<< "$1" | sed 's/^/    | /'; }

# --- the comparison, one command at a time ----------------------------------
# start_session PART [FIRMWARE]: a fresh part on both sides, and a firmware
# serving the guest's chip with it.
session=0
start_session() {
  session=$((session + 1))
  host_state=$work/host/state-$session.txt
  guest_state=$work/guest/state-$session.txt
  "$cli" --simulate="$host_state" --sim-part "$1" ${2:+--sim-firmware "$2"} probe > /dev/null 2>&1
  cp "$host_state" "$guest_state"
  : > "$work/expected-trace-$session.txt"
  start_firmware "$guest_state"
  echo "== $1${2:+, firmware $2}"
}

# end_session: the packets the firmware took equal those sent in process.
end_session() {
  [[ -n "$firmware_pid" ]] && stop_firmware
  cmp -s "$work/expected-trace-$session.txt" "$work/firmware-trace-$firmware_runs.txt" ||
    fail "the firmware received other packets than the simulator: $(diff \
      "$work/expected-trace-$session.txt" "$work/firmware-trace-$firmware_runs.txt" | head -n 8)"
  echo "   the firmware received the same $(wc -l < "$work/expected-trace-$session.txt") packets"
}

# await_firmware_packets: the guest's program may end before its last
# packets have crossed the emulated chip; the firmware keeps the part before
# it traces the packets that changed it. Waits until it has traced as many
# packets as were sent in process (a shortfall shows in the comparisons).
await_firmware_packets() {
  local expected i
  expected=$(wc -l < "$work/expected-trace-$session.txt")
  for ((i = 0; i < 200; i++)); do
    (($(wc -l 2>/dev/null < "$work/firmware-trace-$firmware_runs.txt" || echo 0) >= expected)) &&
      return 0
    sleep 0.1
  done
}

# same DUMP|- ARGS...: runs tarnik-cli ARGS in the guest and in process here;
# the exit codes, outputs, the dump DUMP and the part afterwards must agree.
same() {
  local dump=$1 host_status=0
  shift
  guest_run "$@"
  (cd "$work/host" && "$cli" --simulate="$host_state" --trace "$work/host/trace.txt" "$@" \
    > "$work/host/out" 2> "$work/host/err") || host_status=$?
  grep '^>' "$work/host/trace.txt" >> "$work/expected-trace-$session.txt" || true
  printf '   %-40s exit %s  %6s s in the guest\n' "$*" "$guest_status" "$guest_seconds"
  [[ "$guest_status" == "$host_status" ]] ||
    fail "$*: exit $guest_status in the guest, $host_status in process; in the guest:
$(show "$guest_out")
$(show "$guest_err")
in process:
$(sed 's/^/    | /' "$work/host/out" "$work/host/err")"
  [[ "$guest_out" == "$(hex_of "$work/host/out")" ]] ||
    fail "$*: the output differs; in the guest:
$(show "$guest_out")
in process:
$(sed 's/^/    | /' "$work/host/out")"
  if [[ "$dump" != - ]]; then
    [[ "$(guest_file "$dump")" == "$(hex_of "$work/host/$dump")" ]] ||
      fail "$*: the dump $dump differs"
  fi
  await_firmware_packets
  cmp -s "$guest_state" "$host_state" ||
    fail "$*: the part differs afterwards: $(diff "$guest_state" "$host_state" | head -n 6)"
}

# The same commands on one part: blank, program, verify, reads at K = 1 and
# 16, program compares that pass and fail, and the blank check that fails.
part_commands() {  # part_commands PART IMAGE REFUSED-IMAGE
  same - probe
  same - -d "$1" blank
  same - -d "$1" program "$2"
  same - -d "$1" verify "$2"
  same r1.hex -d "$1" --read-window 1 read r1.hex
  same r16.hex -d "$1" --read-window 16 read r16.hex
  same - -d "$1" compare "$2"
  same - -d "$1" compare "$3"
  same - -d "$1" blank
}

echo "== booting the guest (QEMU, no KVM)"
boot ",always-plugged=on"
await_guest
start_session 82S129
part_commands 82S129 p129.bin zero512.bin
end_session
start_session 82S147
part_commands 82S147 p147.bin zero512.bin
end_session

start_session 82S181
same read1.hex -d 82S181 --read-window 1 read read1.hex
read_k1=$guest_seconds
same read16.hex -d 82S181 --read-window 16 read read16.hex
read_k16=$guest_seconds
same - -d 82S181 program ff1k.bin
program_ff=$guest_seconds
same read-ff.hex -d 82S181 read read-ff.hex
end_session

start_session 82S129 1.06
same - probe
same - --yes update Update-1.07.Bin
same - probe
# The guest goes; its chip's other end closes, and the firmware ends on its own.
halt_guest
firmware_status=0
wait "$firmware_pid" || firmware_status=$?
firmware_pid=""
[[ $firmware_status == 0 ]] || fail "the firmware ended with $firmware_status when the guest went"
end_session

# --- a cable pulled in the middle of a 1k read -------------------------------
# Without always-plugged the emulated chip exists while its socket is
# connected: the firmware closing it after the Nth packet unplugs the chip.
echo "== unplugged in the middle of a 1k read"
packets=$(cd "$work/host" && "$cli" --simulate --sim-part 82S181 --trace "$work/host/full.txt" \
  -d 82S181 read full.hex > /dev/null && grep -c '^>' "$work/host/full.txt")
"$cli" --simulate="$work/guest/unplug.txt" --sim-part 82S181 probe > /dev/null 2>&1
boot ""
start_firmware "$work/guest/unplug.txt" --unplug-after $((packets / 2))
await_guest
guest_run_logged -d 82S181 read cut.hex
printf '   %-40s exit %s  %6s s in the guest\n' "read after $((packets / 2)) of $packets packets" \
  "$guest_status" "$guest_seconds"
guest_text=$(xxd -r -p <<< "$guest_out")
guest_errors=$(xxd -r -p <<< "$guest_err")
[[ "$guest_status" == 3 ]] || fail "the unplugged read ended with exit $guest_status:
$guest_text"
[[ "$(tail -n 1 <<< "$guest_text")" == "Stopped: Programmer Lost...." ]] ||
  fail "the unplugged read did not end on \"Stopped: Programmer Lost....\":
$guest_text"
echo "   $(tail -n 1 <<< "$guest_text")"
lost_boxes=$(grep -c '^The Zorvik Programmer Was Lost' <<< "$guest_errors" || true)
[[ "$lost_boxes" == 1 ]] || fail "the unplugged read showed $lost_boxes lost-programmer boxes:
$guest_errors"
[[ "$(grep -c . <<< "$guest_errors")" == 1 ]] || fail "the unplugged read showed more than one box:
$guest_errors"
# From the open's purge on: once a call of the program has seen the chip
# fail (a libftdi call below 0, or a transfer completed other than whole or
# cancelled inside it), nothing more is written, read, purged or submitted;
# the close and the cancelling of the read in flight may follow.
calls=$(xxd -r -p <<< "$(guest_file ftdi-calls.txt)")
[[ -n "$calls" ]] || fail "the guest logged no libftdi calls"
after_loss=$(awk '
  !open { open = $1 == "ftdi_tcioflush"; next }
  $1 == "begin" { if (lost) print $2; depth++; next }
  $1 == "transfer-done" { if ($2 != 0 && $2 != 3) failing = 1; next }
  $1 == "libusb_submit_transfer" { if (lost && depth == 0) print; next }
  $1 ~ /^ftdi_(write_data|read_data|tcioflush|usb_purge_buffers)$/ { depth-- }
  lost || depth > 0 { next }
  $1 != "ftdi_usb_close" && ($2 < 0 || failing) { lost = 1 }
  END { if (!lost) print "no call saw the chip fail" }' <<< "$calls")
[[ -z "$after_loss" ]] || fail "the chip was used after it failed: $(head -n 5 <<< "$after_loss")
(the guest's calls end: $(tail -n 8 <<< "$calls" | tr '\n' ' '))"
echo "   $(grep -c . <<< "$calls") data calls logged; none after the chip failed"
awk -v s="$guest_seconds" -v l="$unplug_limit" 'BEGIN { exit !(s < l) }' ||
  fail "the unplugged read took $guest_seconds s to stop"
halt_guest
wait "$firmware_pid" 2>/dev/null || true
firmware_pid=""

echo "== real-clock seconds in the guest, through QEMU's emulated chip"
echo "   1k read, K = 1:        $read_k1"
echo "   1k read, K = 16:       $read_k16"
echo "   all-FF 1k program:     $program_ff"
echo "== usb emulation test passed in $((SECONDS - started)) s"
