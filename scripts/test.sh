#!/usr/bin/env bash
# Set-up, a sanitizer build and every test; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=build/asan
# Test programs are also run to list their tests; no display is needed for either.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
mkdir -p "$BUILD/xdg-runtime" && chmod 700 "$BUILD/xdg-runtime"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$PWD/$BUILD/xdg-runtime}"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILTOR_SANITIZE=ON -DQUILTOR_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" --timeout 900
