#!/usr/bin/env bash
# Builds both libFuzzer targets with clang as the README says and replays
# their corpora once (a build and a replay, not a fuzzing run), so the
# README's fuzz commands keep working.
# Usage: scripts/fuzz-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/fuzz}
CLANG_C=$(command -v clang-14 || command -v clang)
CLANG_CXX=$(command -v clang++-14 || command -v clang++)
CC="$CLANG_C" CXX="$CLANG_CXX" cmake -S . -B "$BUILD" -G Ninja -DQUILTOR_FUZZ=ON -DQUILTOR_GUI=OFF \
  -DQUILTOR_TESTS=OFF -DQUILTOR_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target versioninfo_fuzz imageload_fuzz
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" ASAN_OPTIONS="${ASAN_OPTIONS:-allocator_may_return_null=1}"
# With -runs=0 libFuzzer runs every file of the corpus once and stops.
"$BUILD/fuzz/versioninfo_fuzz" -runs=0 tests/data/versioninfo-corpus
"$BUILD/fuzz/imageload_fuzz" -runs=0 -rss_limit_mb=4096 tests/data/imageload-corpus
echo "fuzz-check: both targets built and replayed their corpora"
