#!/usr/bin/env bash
# The mosaic writers on two stitched mosaics of 2592 x 1944 fields (2 x 2 at
# 30 % overlap, about 4400 x 3300; 5 x 5 at 28 %, 10068 x 7549): PNG, JPEG and
# the pyramidal TIFF against the toolkit's old PNG writer and against the
# computer-vision library's writers, in the same run; then the peak memory of
# one pyramid write of the large mosaic against its canvas.
#
#   bench/image_writers.sh                   build Release in build/bench and run
#   BUILD_DIR=... WORK_DIR=... bench/image_writers.sh
# The mosaics are kept in WORK_DIR and reused when they are already there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh" bench
build=${BUILD_DIR:-$root/build/bench}
work=${WORK_DIR:-$root/build/writers-data}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILTOR_GUI=OFF \
    -DQUILTOR_TESTS=OFF -DQUILTOR_BENCH=ON >/dev/null
fi
cmake --build "$build" --target image_writers_bench quiltor-stitch quiltor-samples >/dev/null

mkdir -p "$work"
mosaic() {  # columns rows overlap
  local set="$work/set_$1x$2" out="$work/mosaic_$1x$2.bmp"
  if [ ! -f "$out" ]; then
    "$build/tools/quiltor-samples" -o "$set" --columns "$1" --rows "$2" --width 2592 \
      --height 1944 --overlap "$3" >/dev/null
    "$build/tools/quiltor-stitch" --auto --radius 50 --step 1 --blend 1 --smooth --quiet \
      -o "$out" "$set"/specimen_*.bmp
    rm -rf "$set"
  fi
  echo "$out"
}
small=$(mosaic 2 2 30)
large=$(mosaic 5 5 28)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
MOSAICS="$small:$large" "$build/bench/image_writers_bench"
# Debian's interpreter: the library comes as a Debian package.
/usr/bin/python3 "$root/bench/cv_writers.py" "$small" "$large"

# Peak memory: the pyramid written from the loaded mosaic, against the canvas
# (the computer-vision library's flat TIFF for comparison).
peak() { /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -n 1; }
ours=$(peak "$build/bench/image_writers_bench" --pyramid-peak "$large" "$work/pyramid.tif")
theirs=$(peak /usr/bin/python3 "$root/bench/cv_writers.py" --peak "$large" "$work/cv.tif")
python3 - "$large" "$ours" "$theirs" <<'PY'
import struct, sys
with open(sys.argv[1], "rb") as f:
    header = f.read(26)
width, height = struct.unpack("<ii", header[18:26])
canvas = (width * 3 + 3) // 4 * 4 * abs(height)
mib = 1 << 20
ours, theirs = int(sys.argv[2]) * 1024, int(sys.argv[3]) * 1024
print(f"pyramid peak   {ours / mib:8.1f} MiB, canvas {canvas / mib:.1f} MiB, peak / canvas {ours / canvas:.2f} (at most 1.3 wanted)")
print(f"cv2 flat TIFF  {theirs / mib:8.1f} MiB, peak / canvas {theirs / canvas:.2f}")
PY
rm -f "$work/pyramid.tif" "$work/cv.tif"
