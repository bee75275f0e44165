#!/usr/bin/env bash
# Format and static checks over the project's own sources. Needs the
# compile_commands.json of a configured build (default build/asan).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build/asan}"
SOURCES_RE='^(app|capture|dialogs|engine|formats|imagefiles|mainwind|samples|tools|widgets|tests|bench|fuzz)/.*\.(cpp|h)$'

mapfile -t files < <(git ls-files | grep -E "$SOURCES_RE" || true)
echo "clang-format: ${#files[@]} files"
clang-format --dry-run -Werror "${files[@]}"

# Tests, benchmarks and fuzz drivers are left to the compiler's warnings.
echo "clang-tidy: the program's sources"
TIDY="$BUILD/tidy"
mkdir -p "$TIDY"
COMMANDS="$BUILD"
# A unity build's commands name its combined units: each source's own come
# from a configured tree beside it, which is never built (no source includes
# a generated file).
if grep -Eq '^CMAKE_UNITY_BUILD:[A-Z]+=ON$' "$BUILD/CMakeCache.txt"; then
  COMMANDS="$TIDY/tree"
  cmake -S . -B "$COMMANDS" -G Ninja -DCMAKE_UNITY_BUILD=OFF -DCMAKE_BUILD_TYPE=Debug \
    -DQUILTOR_TESTS=OFF -DQUILTOR_BENCH=OFF >/dev/null
fi
# Clang cannot read GCC's precompiled headers: it gets the compile commands
# without them (the release build shows the sources need none).
sed -E 's# -Winvalid-pch -include [^ ]*/cmake_pch\.hxx##g' "$COMMANDS/compile_commands.json" >"$TIDY/compile_commands.json"
python3 scripts/tidy_batches.py "$TIDY" \
  "^$PWD/(app|capture|dialogs|engine|formats|imagefiles|mainwind|samples|tools|widgets)/" > "$BUILD/clang-tidy.log" 2>&1 ||
  { grep -E "(warning|error): " "$BUILD/clang-tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u; exit 1; }
echo "clang-tidy: clean"
