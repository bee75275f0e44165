#!/usr/bin/env bash
# Set-up, then every test under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the threaded parts again under ThreadSanitizer; warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each step's time since the start, so the slow ones show in any log.
step() { echo "test.sh: ${SECONDS}s: $*"; }
# What the compilers need first; the tests' tools install beside the builds.
bash scripts/setup.sh build
step "build set-up done"
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

# The set-up of the tests' tools, the three builds and the static checks
# overlap, by priority: the release build (the installed program and the
# Debian packages) takes only what the others leave idle from the start; the ThreadSanitizer build and the static
# checks start once the sanitizer build is done, below the tests. Each step's
# output is shown if it fails.
lane() {  # lane <name> <nice> <command...>: runs in the background, logged
  local name=$1 level=$2
  shift 2
  (
    renice -n "$level" -p "$BASHPID" >/dev/null
    "$@"
    step "$name done"
  ) >"build/$name.log" 2>&1 &
  LANES+=("$!:$name")
}
finish() {  # finish <name> [whole]: waits for its lane; its whole log if it failed or is asked for
  local entry
  for entry in "${LANES[@]}"; do
    [ "${entry#*:}" = "$1" ] || continue
    if ! wait "${entry%%:*}"; then
      cat "build/$1.log"
      echo "test.sh: $1 failed (above)"
      exit 1
    fi
    if [ "${2:-}" = whole ]; then cat "build/$1.log"; else tail -n 1 "build/$1.log"; fi
  done
}
LANES=()
trap 'for e in "${LANES[@]}"; do kill "${e%%:*}" 2>/dev/null || true; done' EXIT
mkdir -p build
lane setup 0 bash scripts/setup.sh
# The release build's own checks follow it in its lane, in time the others leave idle.
release() {
  bash scripts/release-build.sh >build/release-compile.log 2>&1 ||
    { cat build/release-compile.log; return 1; }
  step "release build done"
  bash scripts/setup.sh  # the tools below, if the set-up lane is still installing them
  # The stitcher under address-space limits, which the sanitizers' shadow memory rules out below.
  bash tests/tools/memory_limit_test.sh build/release/tools/quiltor-stitch \
    build/release/tools/quiltor-samples build/release/memory-limit-work
  bash scripts/batch-check.sh build/release
  local system=()
  if [ "${CI:-}" = true ]; then system=(--system); fi
  bash tests/packaging/package_test.sh build/release "${system[@]}"
}
lane release 19 release

BUILD=build/asan
# The memory-limit test runs on the release build, so no unsanitized
# copy of the stitcher is compiled here. Sources are compiled a few to a unit,
# as everywhere; the static checks configure a tree of their own for each
# source's command.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUILTOR_SANITIZE=ON -DQUILTOR_WERROR=ON \
  -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 "${LINK_LLD[@]}" \
  -DQUILTOR_BENCH=OFF -DQUILTOR_PLAIN_STITCHER=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" >"$BUILD/build.log" 2>&1 || { cat "$BUILD/build.log"; exit 1; }
step "sanitizer build done"

# The engine splits its work over threads, the window stitches and saves on a
# worker, and cameras and scanners deliver on threads of their own: those
# tests (CTest label "threaded") run again under ThreadSanitizer, built at
# -O3 with warnings as errors, where the compiler's deeper analysis warns.
# The tests wait on devices and workers and leave a core idle much of the
# time: this build takes it, then the static checks and the fuzz replay.
TSAN=build/tsan
tsan_build() {
  cmake -S . -B "$TSAN" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILTOR_TSAN=ON -DQUILTOR_WERROR=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O3 -g1 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O3 -g1 -DNDEBUG" \
    "${LINK_LLD[@]}" -DCMAKE_UNITY_BUILD=ON -DQUILTOR_BENCH=OFF >/dev/null
  cmake --build "$TSAN" -j "$JOBS" --target threaded_tests
}
lane tsan-build 10 tsan_build
checks() {
  bash scripts/lint.sh "$BUILD"  # format and static checks, over the build above
  bash scripts/fuzz-check.sh     # the fuzz targets build and replay their corpora
}
lane checks 15 checks

finish setup
(cd "$BUILD" && ctest --output-on-failure -j "$JOBS" --timeout 900)
step "tests done"

finish tsan-build
(cd "$TSAN" && ctest --output-on-failure -j "$JOBS" -L threaded)
echo "ThreadSanitizer: all passed"
step "ThreadSanitizer done"

finish checks
finish release whole
trap - EXIT
step "all done"
