#!/usr/bin/env bash
# A whole automatic stitch through the headless stitcher: a 5 x 5 set of
# 2592 x 1944 fields, radius 50, step 1, diffusion seams with smoothing.
# Prints wall time, peak memory against its baseline in the same run, the bytes
# of the input bitmaps plus the canvas (the least a stitch must hold), with
# the ratio of the two, and the report's time per stage.
#
#   bench/whole_stitch.sh            build Release in build/whole-stitch and run
#   BUILD_DIR=... WORK_DIR=... COLUMNS_N=.. ROWS_N=.. FIELD_W=.. FIELD_H=.. bench/whole_stitch.sh
#   COLUMNS_N=3 ROWS_N=3 FIELD_W=2560 FIELD_H=1920 bench/whole_stitch.sh   the 9-field memory check
# The sample set is kept in WORK_DIR and reused when it is already there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/whole-stitch}
work=${WORK_DIR:-$root/build/whole-stitch-data}
columns=${COLUMNS_N:-5}
rows=${ROWS_N:-5}
width=${FIELD_W:-2592}
height=${FIELD_H:-1944}
set_dir="$work/set_${columns}x${rows}_${width}x${height}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILTOR_GUI=OFF \
    -DQUILTOR_TESTS=OFF -DQUILTOR_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target quiltor-stitch quiltor-samples >/dev/null

mkdir -p "$work"
if [ ! -f "$set_dir/truth.json" ]; then
  # 28 % overlap: the matching points lie inside the 30 % search zones.
  "$build/tools/quiltor-samples" -o "$set_dir" --columns "$columns" --rows "$rows" \
    --width "$width" --height "$height" --overlap 28
fi

mosaic="$work/mosaic.bmp"
report="$work/report.json"
timing="$work/time.txt"
/usr/bin/time -v -o "$timing" "$build/tools/quiltor-stitch" --auto --radius 50 --step 1 \
  --blend 1 --smooth --quiet -o "$mosaic" --report "$report" "$set_dir"/specimen_*.bmp

"$build/tools/quiltor-samples" -o "$set_dir" --check "$report" || echo "places differ from the known offsets"

python3 - "$timing" "$report" "$columns" "$rows" "$width" "$height" <<'EOF'
import json, sys
timing, report_path = sys.argv[1], sys.argv[2]
columns, rows, width, height = (int(v) for v in sys.argv[3:7])
stats = {}
for line in open(timing):
    key, _, value = line.strip().rpartition(": ")
    stats[key] = value
wall = stats["Elapsed (wall clock) time (h:mm:ss or m:ss)"]
parts = [float(p) for p in wall.split(":")]
seconds = sum(p * 60 ** i for i, p in enumerate(reversed(parts)))
peak = int(stats["Maximum resident set size (kbytes)"]) * 1024
report = json.load(open(report_path))
def bitmap_bytes(w, h):  # rows padded to 4 bytes, 3 bytes a pixel
    return ((w * 3 + 3) // 4 * 4) * h
inputs = columns * rows * bitmap_bytes(width, height)
cw, ch = report["canvas"]
canvas = bitmap_bytes(cw, ch)
baseline = inputs + canvas
mib = 1 << 20
print(f"fields {columns} x {rows} of {width} x {height}, canvas {cw} x {ch}")
print(f"wall time      {seconds:9.2f} s")
print(f"peak memory    {peak / mib:9.1f} MiB (maximum resident set)")
print(f"baseline       {baseline / mib:9.1f} MiB = inputs {inputs / mib:.1f} MiB + canvas {canvas / mib:.1f} MiB")
print(f"peak / baseline {peak / baseline:8.2f}  (at most 1.3 wanted)")
t = report["timings_ms"]
total = sum(t.values())
for stage in ("load", "search", "place", "compose", "save"):
    print(f"  {stage:8s} {t[stage]:10.1f} ms  {100 * t[stage] / total:5.1f} %")
EOF
