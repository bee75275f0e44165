#!/usr/bin/env bash
# Set-up, a release build, then the main job: stitch the bundled sample set headless.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=build/release
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILTOR_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
"$BUILD/tools/quiltor-stitch" --version
