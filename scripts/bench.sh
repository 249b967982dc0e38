#!/usr/bin/env bash
# Builds the benchmarks (optimised; warnings do not stop a measurement) and
# prints, for each device operation and PROM size, the
# modelled time with a read window of 16, with one location at a time and in
# the link's first form (one USB write per packet, every reply waiting out
# the 40 ms read time-out), their ratios, and the CPU time of one operation
# at K = 16; then the real time of a 1k Move Device as the window runs it,
# and of a blank check of a failing 1k part through the real Qt widgets
# offscreen beside the same check of a blank part, which lists nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${BENCH_DIR:-$here/build-bench}
cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DTARNIK_BUILD_UI=ON \
  -DTARNIK_BUILD_BENCH=ON -DTARNIK_WERROR=OFF >/dev/null
json=$(mktemp)
log=$(mktemp)
trap 'rm -f "$json" "$log"' EXIT
if ! cmake --build "$dir" -j "$(nproc)" --target tarnik_bench >"$log" 2>&1; then
  cat "$log" >&2
  exit 1
fi
QT_QPA_PLATFORM=offscreen "$dir/tarnik_bench" --benchmark_filter='^(Link/|Window_)' \
  --benchmark_format=json >"$json" 2>/dev/null
python3 - "$json" <<'PY'
import json, sys
sizes = {"82S123": "32 x 8", "82S129": "256 x 4", "82S147": "512 x 8", "82S181": "1k x 8"}
rows = json.load(open(sys.argv[1]))["benchmarks"]
def s(ms):
    return f"{ms / 1000:.3f}"
print("| operation | type | K=16 s | K=1 s | first form s | K=1 / K=16 | first form / K=16 | CPU ms |")
print("|---|---|---:|---:|---:|---:|---:|---:|")
for r in rows:
    if not r["name"].startswith("Link/"):
        continue
    _, op, part = r["name"].split("/")[:3]
    print(f"| {op} | {sizes[part]} | {s(r['k16_ms'])} | {s(r['k1_ms'])} | {s(r['first_form_ms'])}"
          f" | {r['k1_over_k16']:.1f} | {r['first_form_over_k16']:.1f} | {r['cpu_time']:.2f} |")
for r in rows:
    if r["name"].startswith("Window_Move_1k_Real_Time"):
        print(f"\nMove Device of a 1k x 8 part as the window runs it, real time: {r['real_time']:.0f} ms")
checks = {r["name"].split("/")[1]: r for r in rows if r["name"].startswith("Window_Blank_Check_1k/")}
if "Failing" in checks and "Blank" in checks:
    failing, blank = checks["Failing"], checks["Blank"]
    print(f"Blank check of a 1k x 8 part in the Qt window (offscreen), real time: "
          f"{failing['real_time']:.0f} ms failing with {failing['lines']:.0f} lines, "
          f"{blank['real_time']:.0f} ms blank with none; the list adds "
          f"{(failing['real_time'] - blank['real_time']) / 1000:.3f} s")
PY

# Naming a dump against a generated machine list (about 250 MB, 300,000 ROM
# entries) and a generated folder of 20,000 zips; both are made once and kept
# in $TARNIK_IDENTIFY_DATA (default: under the temporary directory).
"$dir/tarnik_bench" --benchmark_filter='^Identify_' --benchmark_format=json >"$json" 2>/dev/null
python3 - "$json" <<'PY'
import json, sys
goals = {"Identify_List_First": (5000, 150), "Identify_Folder_First": (10000, None),
         "Identify_List_Cached": (100, None), "Identify_Folder_Cached": (100, None),
         "Identify_Both_Cached": (100, None)}
what = {"Identify_List_First": "first look-up, machine list", "Identify_List_Cached": "later look-up, machine list",
        "Identify_Folder_First": "first scan, 20,000 zips", "Identify_Folder_Cached": "later look-up, 20,000 zips",
        "Identify_Both_Cached": "later look-up, list and zips"}
print("\n| identification | ms | CPU ms | goal ms | peak MB | goal MB | met |")
print("|---|---:|---:|---:|---:|---:|---|")
for r in json.load(open(sys.argv[1]))["benchmarks"]:
    name = r["name"].split("/")[0]
    ms_goal, mb_goal = goals[name]
    ms, mb = r["real_time"], r["peak_mb"]
    met = ms <= ms_goal and (mb_goal is None or mb <= mb_goal)
    print(f"| {what[name]} | {ms:.0f} | {r['cpu_time']:.0f} | {ms_goal} | {mb:.0f} | {mb_goal or '-'}"
          f" | {'yes' if met else 'NO'} |")
PY
