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
# Clang cannot read GCC's precompiled headers: it gets the compile commands
# without them (the release build shows the sources need none).
TIDY="$BUILD/tidy"
mkdir -p "$TIDY"
sed -E 's# -Winvalid-pch -include [^ ]*/cmake_pch\.hxx##g' "$BUILD/compile_commands.json" >"$TIDY/compile_commands.json"
python3 scripts/tidy_batches.py "$TIDY" \
  "^$PWD/(app|capture|dialogs|engine|formats|imagefiles|mainwind|samples|tools|widgets)/" > "$BUILD/clang-tidy.log" 2>&1 ||
  { grep -E "(warning|error): " "$BUILD/clang-tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u; exit 1; }
echo "clang-tidy: clean"
