#!/usr/bin/env bash
# Set-up, then every test under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the threaded parts again under ThreadSanitizer; warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each step's time since the start, so the slow ones show in any log.
step() { echo "test.sh: ${SECONDS}s: $*"; }
bash scripts/setup.sh
step "set-up done"
# Test programs are also run to list their tests; no display is needed for either.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
mkdir -p build/xdg-runtime && chmod 700 build/xdg-runtime
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$PWD/build/xdg-runtime}"
JOBS="$(nproc)"
# The test builds link with lld and keep line tables only (-g1): a sixth
# less compile and link time than full debug information with GNU ld, and
# the sanitizers' reports still name every file and line.
LINK_LLD=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
  -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld)

BUILD=build/asan
# The memory-limit test runs on the release build below, so no unsanitized
# copy of the stitcher is compiled here. The program's sources are compiled
# one by one here (the test programs a few to a unit, as everywhere): the
# static checks take their commands from this build.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILTOR_SANITIZE=ON -DQUILTOR_WERROR=ON \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 "${LINK_LLD[@]}" \
  -DQUILTOR_BENCH=OFF -DQUILTOR_PLAIN_STITCHER=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" >"$BUILD/build.log" 2>&1 || { cat "$BUILD/build.log"; exit 1; }
step "sanitizer build done"

# The tests wait on devices and workers and leave a core idle much of the
# time: the static checks and the release build take it, at a lower priority
# so that no test is starved. Their output is shown if they fail.
BACKGROUND_LOG=build/background.log
(
  set -e
  # Format and static checks, over the compile commands of the build above.
  nice -n 15 bash scripts/lint.sh "$BUILD"
  step "format and static checks done"
  # The installed program and the Debian packages, from the release build (the
  # main job's, rebuilt only where it changed).
  nice -n 15 bash scripts/release-build.sh >build/release-build.log 2>&1 ||
    { cat build/release-build.log; exit 1; }
  step "release build done"
) >"$BACKGROUND_LOG" 2>&1 &
BACKGROUND=$!
trap 'kill "$BACKGROUND" 2>/dev/null || true' EXIT

(cd "$BUILD" && ctest --output-on-failure -j "$JOBS" --timeout 900)
step "tests done"
bash scripts/fuzz-check.sh  # the fuzz targets build and replay their corpora
step "fuzz replay done"

# The engine splits its work over threads, the window stitches and saves on a
# worker, and cameras and scanners deliver on threads of their own: those
# tests (CTest label "threaded") run again under ThreadSanitizer, built at
# -O3 with warnings as errors, where the compiler's deeper analysis warns.
TSAN=build/tsan
cmake -S . -B "$TSAN" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILTOR_TSAN=ON -DQUILTOR_WERROR=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O3 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O3 -g1 -DNDEBUG" \
  "${LINK_LLD[@]}" -DCMAKE_UNITY_BUILD=ON -DQUILTOR_BENCH=OFF >/dev/null
cmake --build "$TSAN" -j "$JOBS" --target threaded_tests >"$TSAN/build.log" 2>&1 ||
  { cat "$TSAN/build.log"; exit 1; }
step "ThreadSanitizer build done"
(cd "$TSAN" && ctest --output-on-failure -j "$JOBS" -L threaded)
echo "ThreadSanitizer: all passed"
step "ThreadSanitizer done"

if ! wait "$BACKGROUND"; then
  cat "$BACKGROUND_LOG"
  echo "test.sh: the static checks or the release build failed (above)"
  exit 1
fi
trap - EXIT
cat "$BACKGROUND_LOG"
# The stitcher under address-space limits, which the sanitizers' shadow memory rules out above.
bash tests/tools/memory_limit_test.sh build/release/tools/quiltor-stitch build/release/tools/quiltor-samples \
  build/release/memory-limit-work
bash scripts/batch-check.sh build/release
SYSTEM_INSTALL=()
if [ "${CI:-}" = true ]; then SYSTEM_INSTALL=(--system); fi
bash tests/packaging/package_test.sh build/release "${SYSTEM_INSTALL[@]}"
step "all done"
