#!/usr/bin/env bash
# For a user with a Zorvik programmer and a part in its socket: finds the
# programmer, reads the part 20 times one location at a time (K = 1) and 20
# times 16 locations at a time (K = 16), and reports whether every read
# agreed, the real time of each kind and the dumps' digests. It programs
# nothing. The report also goes to hardware-check.txt in the current folder.
#
# usage: scripts/hardware_check.sh PART [tarnik-cli options...]
#   PART: the PROM type in the socket, as `tarnik-cli devices` lists it
#   TARNIK_CLI: the program to use (default: build/tarnik-cli, then the one on PATH)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
reads=20

if [[ $# -lt 1 || "$1" == -* ]]; then
  echo "usage: $0 PART [tarnik-cli options...]" >&2
  exit 2
fi
part=$1
shift
cli=${TARNIK_CLI:-$here/build/tarnik-cli}
[[ -x "$cli" ]] || cli=$(command -v tarnik-cli || true)
[[ -n "$cli" && -x "$cli" ]] || { echo "build tarnik-cli first (bash scripts/build.sh build)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report=$PWD/hardware-check.txt
exec > >(tee "$report") 2>&1

echo "tarnik hardware check, $(date -u '+%Y-%m-%d %H:%M UTC'), part $part"
echo "program: $cli $*"
"$cli" "$@" probe || { echo "RESULT: the programmer was not found (exit $?)"; exit 3; }

now() { date +%s.%N; }
failed=0
for window in 1 16; do
  : > "$work/digests-$window"
  start=$(now)
  for ((i = 1; i <= reads; i++)); do
    status=0
    "$cli" "$@" -d "$part" --read-window "$window" read "$work/read.bin" > "$work/out" 2>&1 ||
      status=$?
    digest=$(grep -o 'CRC32=[0-9a-f]* SHA1=[0-9a-f]*' "$work/out" || echo "no dump")
    echo "$digest (exit $status)" >> "$work/digests-$window"
    if [[ $status -ne 0 ]]; then
      echo "read $i at K = $window ended with exit $status:"
      sed 's/^/    /' "$work/out"
      failed=1
    fi
  done
  seconds=$(echo "$(now) $start" | awk '{ printf "%.2f", $1 - $2 }')
  kinds=$(sort -u "$work/digests-$window" | wc -l)
  echo "K = $window: $reads reads in $seconds s ($(echo "$seconds $reads" | awk '{ printf "%.3f", $1 / $2 }') s each), $kinds different result(s):"
  sort "$work/digests-$window" | uniq -c | sed 's/^/    /'
done
if [[ $failed -eq 0 ]] && [[ "$(sort -u "$work"/digests-* | wc -l)" -eq 1 ]]; then
  echo "RESULT: every read agreed"
else
  echo "RESULT: the reads DISAGREED: please send hardware-check.txt back"
  exit 1
fi
