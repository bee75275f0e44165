#!/usr/bin/env bash
# Set-up, a release build, then the main job: render a field-by-field sample
# set, stitch it headless and check the places against the known offsets.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=build/release
bash scripts/release-build.sh
"$BUILD/tools/quiltor-stitch" --version

SAMPLE=out/sample
rm -rf "$SAMPLE"
"$BUILD/tools/quiltor-samples" -o "$SAMPLE" --seed 1
"$BUILD/tools/quiltor-stitch" --auto --smooth "$SAMPLE"/specimen_*.bmp \
  -o out/mosaic.png --report out/report.json
"$BUILD/tools/quiltor-samples" -o "$SAMPLE" --check out/report.json

echo
echo "Mosaic:  $(pwd)/out/mosaic.png (report: out/report.json, fields: $SAMPLE/)"
if [ -x "$BUILD/app/quiltor" ]; then
  echo "Desktop program: $BUILD/app/quiltor  (open the fields from $SAMPLE with \"Открытие изображения\")"
else
  echo "Desktop program: $BUILD/app/quiltor once it is built"
fi
