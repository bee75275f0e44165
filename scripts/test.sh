#!/usr/bin/env bash
# Set-up, then every test under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the threaded parts again under ThreadSanitizer; warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Test programs are also run to list their tests; no display is needed for either.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
mkdir -p build/xdg-runtime && chmod 700 build/xdg-runtime
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$PWD/build/xdg-runtime}"
JOBS="$(nproc)"

BUILD=build/asan
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILTOR_SANITIZE=ON -DQUILTOR_WERROR=ON \
  -DQUILTOR_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS"
(cd "$BUILD" && ctest --output-on-failure -j "$JOBS" --timeout 900)

# Format and static checks, over the compile commands of the build above.
bash scripts/lint.sh "$BUILD"

# The engine splits its work over threads, the window stitches and saves on a
# worker, and cameras and scanners deliver on threads of their own: those
# tests run again under ThreadSanitizer.
TSAN=build/tsan
TSAN_TESTS=(engine_tests worker_tests table_tests album_tests assembly_tests stitchworkflow_tests
  capture_tests capture_window_tests capturepage_tests scan_window_tests)
cmake -S . -B "$TSAN" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILTOR_TSAN=ON -DQUILTOR_WERROR=ON \
  -DQUILTOR_BENCH=OFF >/dev/null
cmake --build "$TSAN" -j "$JOBS" --target "${TSAN_TESTS[@]}"
export TSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/tsan.supp:halt_on_error=1"
for test in "${TSAN_TESTS[@]}"; do
  echo "ThreadSanitizer: $test"
  # A build tree from an older test layout may hold stale copies: run the newest.
  "$(find "$TSAN/tests" -type f -name "$test" -perm -u+x -printf '%T@ %p\n' | sort -rn | head -n 1 | cut -d' ' -f2-)" \
    --gtest_brief=1
done
echo "ThreadSanitizer: all passed"

# The installed program and the Debian packages, from the release build (the
# main job's, rebuilt only where it changed). On CI's fresh machine the packages
# are also installed, tried and purged.
bash scripts/release-build.sh
bash scripts/batch-check.sh build/release
SYSTEM_INSTALL=()
if [ "${CI:-}" = true ]; then SYSTEM_INSTALL=(--system); fi
bash tests/packaging/package_test.sh build/release "${SYSTEM_INSTALL[@]}"
