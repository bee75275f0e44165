#!/usr/bin/env bash
# One version everywhere: the top-level project() against what the build made
# of it. usage: version_test.sh SOURCE_DIR BUILD_DIR QUILTOR QUILTOR_STITCH QUILTOR_CAPTURE
set -euo pipefail
SRC="$1" BUILD="$2" QUILTOR="$3" STITCH="$4" CAPTURE="$5"
VERSION="$(sed -n 's/^project(Quiltor VERSION \([0-9.]*\) .*/\1/p' "$SRC/CMakeLists.txt")"
status=0
expect() {
  if [ "$2" != "$3" ]; then
    echo "FAIL $1: \"$2\", not \"$3\"" >&2
    status=1
  else
    echo "ok   $1: $2"
  fi
}
[ -n "$VERSION" ] || { echo "FAIL no version in $SRC/CMakeLists.txt" >&2; exit 1; }
# The record's two texts: the full version, and major.minor for the product.
expect "quiltor --version (its version record)" "$("$QUILTOR" --version)" \
  "quiltor (Pictaro Quiltor) $VERSION"
expect "quiltor-stitch --version" "$("$STITCH" --version)" "quiltor-stitch $VERSION"
expect "quiltor-capture --version" "$("$CAPTURE" --version)" "quiltor-capture $VERSION"
expect "Debian packages" \
  "$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake")" "$VERSION"
expect "AppStream release" \
  "$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$BUILD/packaging/com.korvex.Quiltor.metainfo.xml")" \
  "$VERSION"
expect "Debian changelog" \
  "$(sed -n '1s/^quiltor (\(.*\)-1) .*/\1/p' "$BUILD/packaging/doc/quiltor/changelog.Debian")" "$VERSION"
exit $status
