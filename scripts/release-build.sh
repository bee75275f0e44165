#!/usr/bin/env bash
# The release build in build/release, shared by the main job and the package
# test: installed for /usr, with Debian's hardening flags. Targets may be named;
# all are built otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=build/release
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
HARDENING="$(dpkg-buildflags --get CPPFLAGS) -fstack-protector-strong"
LINK="$(dpkg-buildflags --get LDFLAGS)"
# With precompiled headers, and a few sources to a unit (a third less
# compile time): the sanitizer build compiles every source alone.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILTOR_TESTS=OFF -DQUILTOR_BENCH=OFF \
  -DCMAKE_DISABLE_PRECOMPILE_HEADERS=OFF -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_C_FLAGS="$HARDENING" -DCMAKE_CXX_FLAGS="$HARDENING" \
  -DCMAKE_EXE_LINKER_FLAGS="$LINK" -DCMAKE_SHARED_LINKER_FLAGS="$LINK" >/dev/null
if [ $# -gt 0 ]; then
  cmake --build "$BUILD" -j "$(nproc)" --target "$@"
else
  cmake --build "$BUILD" -j "$(nproc)"
fi
