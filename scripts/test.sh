#!/usr/bin/env bash
# Set-up, a sanitizer build and every test; ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=build/asan
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILTOR_SANITIZE=ON -DQUILTOR_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" --timeout 900
