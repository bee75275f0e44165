#!/usr/bin/env bash
# Every speed figure in one command: builds a Release with the benchmarks,
# runs the search, assembly, capture overlay, tracking, live link, registration, placement and image writer benchmarks (each ends with its
# ratios), then a whole 5 x 5 stitch of camera fields with wall time and peak memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/bench}
bash "$root/scripts/setup.sh" bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILTOR_GUI=OFF \
  -DQUILTOR_TESTS=OFF -DQUILTOR_BENCH=ON >/dev/null
cmake --build "$build" --target search_bench assembly_bench capture_overlay_bench tracking_bench live_link_bench registration_bench placement_bench image_writers_bench quiltor-stitch quiltor-samples

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
"$build/bench/search_bench"
"$build/bench/assembly_bench"
"$build/bench/capture_overlay_bench"
"$build/bench/tracking_bench"
"$build/bench/live_link_bench"
"$build/bench/registration_bench"
"$build/bench/placement_bench"
BUILD_DIR="$build" bash "$root/bench/whole_stitch.sh"
BUILD_DIR="$build" bash "$root/bench/image_writers.sh"
