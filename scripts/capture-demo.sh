#!/usr/bin/env bash
# A capture run without a window: the simulated camera walks a 3 x 3 snake
# over the synthetic specimen, a frame is taken at each field, and the run
# fails unless every frame's place in the mosaic matches the walk.
# Usage: scripts/capture-demo.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/release}
OUT=${2:-out/capture}
RUNNER="$BUILD/tools/quiltor-capture"
[ -x "$RUNNER" ] || { echo "capture-demo: $RUNNER not built" >&2; exit 1; }
mkdir -p "$OUT"

# One field every second live frame, with a picture on the way in between.
python3 - "$OUT/walk.txt" <<'PY'
import sys
with open(sys.argv[1], "w") as walk:
    walk.write("# x y of the frame's top-left corner, one line per live frame\n")
    previous = None
    for row in range(3):
        for i in range(3):
            column = i if row % 2 == 0 else 2 - i
            x, y = 200 + 448 * column, 150 + 336 * row
            if previous:
                walk.write(f"{(x + previous[0]) // 2} {(y + previous[1]) // 2}\n")
            walk.write(f"{x} {y}\n")
            previous = (x, y)
PY

"$RUNNER" --simulate specimen --path "$OUT/walk.txt" \
  --frames-at 0,2,4,6,8,10,12,14,16 --directions 1,1,2,3,3,2,1,1 \
  --project Demo --save-frames "$OUT/frames" --overwrite \
  -o "$OUT/mosaic.png" --report "$OUT/report.json"

# Every frame's place in the mosaic against where the camera took it.
check() {
  python3 - "$1" <<'PY'
import json, sys
images = json.load(open(sys.argv[1]))["images"]
first_place, first_origin = images[0]["place"], images[0]["origin"]
bad = [i for i, image in enumerate(images)
       if [image["place"][k] - first_place[k] for k in (0, 1)]
       != [image["origin"][k] - first_origin[k] for k in (0, 1)]]
if bad:
    sys.exit(f"capture-demo: frames {bad} are not where the camera took them")
print(f"capture-demo: all {len(images)} frames placed where the camera took them")
PY
}
check "$OUT/report.json"
echo "capture-demo: mosaic in $OUT/mosaic.png, frames in $OUT/frames/"

# Automatic capture: the stage moves 16 pixels per live frame to the right;
# frames are taken when the followed spot says so.
mkdir -p "$OUT/auto"
python3 - "$OUT/auto/walk.txt" <<'PY'
import sys
with open(sys.argv[1], "w") as walk:
    for step in range(72):
        walk.write(f"{100 + 16 * step} 600\n")
PY
"$RUNNER" --simulate specimen --path "$OUT/auto/walk.txt" --auto --live-frames 72 \
  -o "$OUT/auto/mosaic.png" --report "$OUT/auto/report.json"
check "$OUT/auto/report.json"
echo "capture-demo: automatic capture's mosaic in $OUT/auto/mosaic.png"
