#!/usr/bin/env bash
# The program as installed and as packaged, from a release build configured for
# /usr (scripts/release-build.sh):
#   usage: package_test.sh BUILD_DIR [--system]
# installs into a temporary prefix and checks the layout, the library's soname
# and exports, a C program linked through gaugix.pc and one through
# find_package(Gaugix), the installed stitcher on the sample set, the installed
# desktop program's help and version, the manual pages against the programs'
# own help, the desktop file, icons and metainfo; then builds the Debian
# packages and checks their file lists, dependencies and lintian. With
# --system the packages are also installed on this machine, tried, and purged.
set -euo pipefail
BUILD="$(realpath "$1")"
SYSTEM="${2:-}"
SRC="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
PREFIX="$WORK/prefix"
MULTIARCH="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
LIB="lib/$MULTIARCH"
ARCH="$(dpkg --print-architecture)"
# The one version, from the top-level project(); the packages add their release.
UPSTREAM="$(sed -n 's/^project(Quiltor VERSION \([0-9.]*\) .*/\1/p' "$SRC/CMakeLists.txt")"
[ -n "$UPSTREAM" ] || { echo "no version in $SRC/CMakeLists.txt" >&2; exit 1; }
VERSION="$UPSTREAM-1"
# Written into the version record; read back from the installed file.
PROGRAM_VERSION="quiltor (Pictaro Quiltor) $UPSTREAM"
export LC_ALL=C.UTF-8 XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

passed=0
failed=0
cleanup() {
  if [ -e "$WORK/installed" ]; then
    apt-get purge -y -qq quiltor libgaugix1 libgaugix-dev >/dev/null 2>&1 || true
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# Each check runs in a subshell with -e in force, and says what it found.
check() {
  local name="$1"
  shift
  set +e
  (set -e; "$@")
  local rc=$?
  set -e
  if [ $rc -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok   $name"
  else
    failed=$((failed + 1))
    echo "FAIL $name"
  fi
}

# grep -q in a pipe may stop reading early, and pipefail counts the writer's
# broken pipe as a failure: read everything instead.
has() { grep "$@" >/dev/null; }

fail() {
  echo "  $*" >&2
  return 1
}

# Lines of the first file that the second lacks, and the other way round.
same_lines() {
  if ! diff -u "$1" "$2" >&2; then fail "$3 differs (- expected, + found)"; fi
}

# Every file and link below a folder, relative, sorted.
tree_of() {
  (cd "$1" && find . -mindepth 1 ! -type d | sed 's|^\./||' | LC_ALL=C sort)
}

cat >"$WORK/quiltor.files" <<EOF
bin/quiltor
bin/quiltor-stitch
share/applications/com.korvex.Quiltor.desktop
share/doc/quiltor/changelog.Debian.gz
share/doc/quiltor/copyright
share/icons/hicolor/128x128/apps/quiltor.png
share/icons/hicolor/16x16/apps/quiltor.png
share/icons/hicolor/22x22/apps/quiltor.png
share/icons/hicolor/24x24/apps/quiltor.png
share/icons/hicolor/256x256/apps/quiltor.png
share/icons/hicolor/32x32/apps/quiltor.png
share/icons/hicolor/48x48/apps/quiltor.png
share/icons/hicolor/64x64/apps/quiltor.png
share/icons/hicolor/scalable/apps/quiltor.svg
share/man/man1/quiltor-stitch.1.gz
share/man/man1/quiltor.1.gz
share/metainfo/com.korvex.Quiltor.metainfo.xml
EOF
cat >"$WORK/libgaugix1.files" <<EOF
$LIB/libgaugix.so.1
$LIB/libgaugix.so.1.0.0
share/doc/libgaugix1/changelog.Debian.gz
share/doc/libgaugix1/copyright
EOF
cat >"$WORK/libgaugix-dev.files" <<EOF
include/gaugix.h
$LIB/cmake/Gaugix/GaugixConfig.cmake
$LIB/cmake/Gaugix/GaugixConfigVersion.cmake
$LIB/cmake/Gaugix/GaugixTargets-release.cmake
$LIB/cmake/Gaugix/GaugixTargets.cmake
$LIB/libgaugix.so
$LIB/pkgconfig/gaugix.pc
share/doc/libgaugix-dev/changelog.Debian.gz
share/doc/libgaugix-dev/copyright
EOF

# --- installed into a temporary prefix ---
cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log"

layout() {
  LC_ALL=C sort "$WORK"/*.files >"$WORK/all.files"
  tree_of "$PREFIX" >"$WORK/installed.files"
  same_lines "$WORK/all.files" "$WORK/installed.files" "installed files"
  [ "$(readlink "$PREFIX/$LIB/libgaugix.so")" = libgaugix.so.1 ] || fail "development link"
  [ "$(readlink "$PREFIX/$LIB/libgaugix.so.1")" = libgaugix.so.1.0.0 ] || fail "soname link"
  for program in quiltor quiltor-stitch; do
    [ -x "$PREFIX/bin/$program" ] || fail "$program is not executable"
    # Nothing installed may still lean on the build tree.
    if ldd "$PREFIX/bin/$program" | grep -F "$BUILD"; then fail "$program uses the build tree"; fi
    if readelf -d "$PREFIX/bin/$program" | grep -E 'R(UN)?PATH'; then fail "$program has a run path"; fi
  done
}
check "install layout: every file in its GNU folder, nothing else" layout

library() {
  local so="$PREFIX/$LIB/libgaugix.so.1.0.0"
  readelf -d "$so" | has 'Library soname: \[libgaugix.so.1\]' || fail "soname"
  readelf -d "$so" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | sort >"$WORK/needed"
  printf 'libc.so.6\nlibm.so.6\n' >"$WORK/needed.expected"
  same_lines "$WORK/needed.expected" "$WORK/needed" "libraries Gaugix needs"
  nm -D --defined-only "$so" | awk '{print $3}' | LC_ALL=C sort >"$WORK/exports"
  printf '_CalcExponentPart\n_CalcRealLine\n_CalibrPixel\n_GetPixelLine\n' >"$WORK/exports.expected"
  same_lines "$WORK/exports.expected" "$WORK/exports" "exports"
}
check "libgaugix.so.1: soname, libc and libm only, the four exports" library

# The results here are the measurement functions' documented examples.
cat >"$WORK/gaugix_user.c" <<'EOF'
#include <gaugix.h>
#include <stdio.h>

int main(void) {
  int bad = 0;
  bad |= GaugixGetPixelLine(0, 0, 3, 4) != 5.0f;
  bad |= GaugixGetPixelLine(3, 4, 0, 0) != 5.0f;
  bad |= GaugixGetPixelLine(7, 7, 7, 7) != 0.0f;
  bad |= GaugixCalibrPixel(200.0f, 50.0f) != 0.25;
  bad |= GaugixCalcRealLine(120.0f, 0.25f) != 30.0;
  bad |= GaugixCalcExponentPart(1234.5f) != 3;
  bad |= GaugixCalcExponentPart(9.99f) != 0;
  bad |= GaugixCalcExponentPart(0.05f) != -1;
  puts(bad ? "gaugix: wrong results" : "gaugix: right results");
  return bad;
}
EOF

pkgconfig_user() {
  export PKG_CONFIG_PATH="$PREFIX/$LIB/pkgconfig"
  [ "$(pkg-config --modversion gaugix)" = 1.0.0 ] || fail "pkg-config version"
  # shellcheck disable=SC2046
  cc -std=c11 -Wall -Wextra -Werror -pedantic "$WORK/gaugix_user.c" -o "$WORK/gaugix_user" \
    $(pkg-config --cflags --libs gaugix)
  local libdir
  libdir="$(pkg-config --variable=libdir gaugix)"
  [ "$libdir" = "$PREFIX/$LIB" ] || fail "pkg-config libdir $libdir"
  LD_LIBRARY_PATH="$libdir" ldd "$WORK/gaugix_user" | has "libgaugix.so.1 => $libdir/libgaugix.so.1" ||
    fail "the program does not load the installed library"
  [ "$(LD_LIBRARY_PATH="$libdir" "$WORK/gaugix_user")" = "gaugix: right results" ]
}
check "a C program built with pkg-config gaugix runs" pkgconfig_user

cmake_user() {
  mkdir -p "$WORK/cmake_user"
  cp "$WORK/gaugix_user.c" "$WORK/cmake_user/main.c"
  cat >"$WORK/cmake_user/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(gaugix_user C)
find_package(Gaugix 1.0 REQUIRED)
add_executable(gaugix_user main.c)
target_link_libraries(gaugix_user PRIVATE Gaugix::gaugix)
EOF
  cmake -S "$WORK/cmake_user" -B "$WORK/cmake_user/build" -G Ninja -DCMAKE_PREFIX_PATH="$PREFIX" >/dev/null
  cmake --build "$WORK/cmake_user/build" >/dev/null
  ldd "$WORK/cmake_user/build/gaugix_user" | has "$PREFIX/$LIB/libgaugix.so.1" ||
    fail "linked against another libgaugix"
  [ "$("$WORK/cmake_user/build/gaugix_user")" = "gaugix: right results" ]
  # A version 2 request must not accept version 1.
  sed -i 's/find_package(Gaugix 1.0 REQUIRED)/find_package(Gaugix 2 REQUIRED)/' "$WORK/cmake_user/CMakeLists.txt"
  if cmake -S "$WORK/cmake_user" -B "$WORK/cmake_user/build2" -G Ninja -DCMAKE_PREFIX_PATH="$PREFIX" \
    >/dev/null 2>&1; then fail "find_package(Gaugix 2) was satisfied by 1.0.0"; fi
}
check "a CMake program with find_package(Gaugix) runs" cmake_user

stitcher() {
  "$BUILD/tools/quiltor-samples" -o "$WORK/sample" --seed 1 >/dev/null
  "$PREFIX/bin/quiltor-stitch" --auto --smooth --quiet "$WORK/sample"/specimen_*.bmp \
    -o "$WORK/mosaic.png" --report "$WORK/report.json"
  "$BUILD/tools/quiltor-samples" -o "$WORK/sample" --check "$WORK/report.json" >/dev/null
}
check "the installed stitcher stitches the sample set to its known places" stitcher

# No display at all: help and version must not need one.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

desktop_program() {
  [ "$(headless "$PREFIX/bin/quiltor" --version)" = "$PROGRAM_VERSION" ] || fail "version record"
  headless "$PREFIX/bin/quiltor" --help >"$WORK/help.txt"
  head -n 1 "$WORK/help.txt" | has '^Usage: quiltor ' || fail "help"
  [ "$(headless "$PREFIX/bin/quiltor-stitch" --version)" = "quiltor-stitch $UPSTREAM" ] || fail "stitcher version"
}
check "installed quiltor: --version from its own record, --help, without a display" desktop_program

# The options a program's --help names, one a line.
options_of() { grep -o -- '--[a-z][a-z-]*' | LC_ALL=C sort -u; }

manual_pages() {
  for program in quiltor quiltor-stitch; do
    local page="$PREFIX/share/man/man1/$program.1.gz"
    gzip -t "$page"
    # One long line a paragraph, no hyphenation: options and paths stay whole.
    zcat "$page" | preconv | groff -man -Tutf8 -rLL=2000n -rHY=0 -P -cbou 2>/dev/null >"$WORK/$program.man"
    headless "$PREFIX/bin/$program" --help | options_of >"$WORK/$program.help-options"
    options_of <"$WORK/$program.man" >"$WORK/$program.man-options"
    [ -s "$WORK/$program.help-options" ] || fail "$program --help names no option"
    zcat "$page" | sed -n '/^\.TH/p' | has -F "$UPSTREAM" || fail "$program(1) is not of version $UPSTREAM"
    # The page may name more (--version in its header, SEE ALSO), never fewer.
    if comm -23 "$WORK/$program.help-options" "$WORK/$program.man-options" | grep .; then
      fail "$program(1) lacks the options above"
    fi
  done
  grep -q 'quiltor - склейка' "$WORK/quiltor.man" || fail "quiltor(1) NAME"
  grep -q 'data.cfg' "$WORK/quiltor.man" || fail "quiltor(1) does not say where the settings go"
  grep -q 'Pictures/Quiltor/Image' "$WORK/quiltor.man" || fail "quiltor(1) does not name the Image folder"
}
check "manual pages name every option of the programs' --help" manual_pages

# Width and height from a PNG's header.
png_size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1"; }

desktop_files() {
  local desktop="$PREFIX/share/applications/com.korvex.Quiltor.desktop"
  desktop-file-validate "$desktop"
  appstreamcli validate --no-net "$PREFIX/share/metainfo/com.korvex.Quiltor.metainfo.xml" >"$WORK/appstream.log" ||
    { cat "$WORK/appstream.log" >&2; fail "appstreamcli validate"; }
  has "<release version=\"$UPSTREAM\"" "$PREFIX/share/metainfo/com.korvex.Quiltor.metainfo.xml" ||
    fail "AppStream release is not $UPSTREAM"
  grep -qx 'Exec=quiltor %F' "$desktop" || fail "Exec"
  grep -q '^Categories=.*Graphics;.*Science;' "$desktop" || fail "Categories"
  grep -q '^MimeType=.*image/png;.*image/jpeg;' "$desktop" || fail "MimeType"
  grep -q '^Name\[ru\]=' "$desktop" && grep -q '^GenericName\[ru\]=' "$desktop" || fail "Russian names"
  local icon
  icon="$(sed -n 's/^Icon=//p' "$desktop")"
  for folder in "$PREFIX"/share/icons/hicolor/*x*; do
    local size="${folder##*/}"
    [ "$(png_size "$folder/apps/$icon.png")" = "$size" ] || fail "$icon.png in $size is $(png_size "$folder/apps/$icon.png")"
  done
  [ -s "$PREFIX/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "scalable icon"
}
check "desktop entry and metainfo validate; icons at their sizes" desktop_files

# --- the Debian packages ---
(cd "$BUILD" && cpack -G DEB -B "$WORK/debs" >"$WORK/cpack.log" 2>&1) || {
  cat "$WORK/cpack.log" >&2
  exit 1
}

package_files() {
  for package in quiltor libgaugix1 libgaugix-dev; do
    local deb="$WORK/debs/${package}_${VERSION}_${ARCH}.deb"
    [ -f "$deb" ] || fail "no $deb"
    [ "$(dpkg-deb -f "$deb" Package)" = "$package" ] || fail "$deb names another package"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | LC_ALL=C sort >"$WORK/$package.deb-files"
    same_lines "$WORK/$package.files" "$WORK/$package.deb-files" "files of $package"
  done
  [ "$(find "$WORK/debs" -maxdepth 1 -name '*.deb' | wc -l)" -eq 3 ] || fail "more than three packages"
}
check "each package holds exactly its own files, all under /usr" package_files

package_dependencies() {
  local debs="$WORK/debs"
  [ "$(dpkg-deb -f "$debs/libgaugix-dev_${VERSION}_$ARCH.deb" Depends)" = "libgaugix1 (= $VERSION)" ] ||
    fail "libgaugix-dev Depends"
  dpkg-deb -f "$debs/libgaugix1_${VERSION}_$ARCH.deb" Depends | has -x 'libc6 (>= [0-9.]*)' ||
    fail "libgaugix1 Depends"
  dpkg-deb --ctrl-tarfile "$debs/libgaugix1_${VERSION}_$ARCH.deb" | tar -x -O ./shlibs |
    has -x "libgaugix 1 libgaugix1 (>= $VERSION)" || fail "shlibs"
  dpkg-deb --ctrl-tarfile "$debs/libgaugix1_${VERSION}_$ARCH.deb" | tar -x -O ./triggers |
    has -x 'activate-noawait ldconfig' || fail "ldconfig trigger"
  local depends
  depends="$(dpkg-deb -f "$debs/quiltor_${VERSION}_$ARCH.deb" Depends)"
  # Found by dpkg-shlibdeps, and those loaded at run time.
  for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
    qt6-image-formats-plugins oxygen-icon-theme fonts-liberation2; do
    echo "$depends" | tr ',' '\n' | has "^ *$needed\b" || fail "quiltor does not depend on $needed"
  done
  # The program does not load Gaugix, and a sanitizer build is no package.
  if echo "$depends" | grep -E 'libgaugix|libasan|libubsan|libtsan'; then fail "quiltor Depends"; fi
}
check "package dependencies: dpkg-shlibdeps, shlibs, ldconfig trigger, dev on lib" package_dependencies

unpacked_programs() {
  local root="$WORK/unpacked"
  for deb in "$WORK"/debs/*.deb; do dpkg-deb -x "$deb" "$root"; done
  # Stripped for the package, the program still carries its version record.
  if file "$root/usr/bin/quiltor" | has 'not stripped'; then fail "quiltor not stripped"; fi
  [ "$(headless "$root/usr/bin/quiltor" --version)" = "$PROGRAM_VERSION" ] || fail "packaged version record"
  headless "$root/usr/bin/quiltor-stitch" --help | has -- '--directions' || fail "packaged stitcher help"
  appstreamcli validate-tree --no-net "$root" >"$WORK/tree.log" ||
    { cat "$WORK/tree.log" >&2; fail "appstreamcli validate-tree"; }
}
check "unpacked packages: stripped programs run, the tree validates" unpacked_programs

lint() {
  # Left: an initial upload closes no bug, and cpack writes ldconfig calls
  # unless scripts of those names stand in for them (the trigger does the work).
  lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs,maintainer-script-empty \
    "$WORK"/debs/*.deb 2>&1 | grep -v 'root privileges' >&2 || true
  lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs,maintainer-script-empty \
    "$WORK"/debs/*.deb >/dev/null 2>&1
}
check "lintian: no error or warning" lint

# --- installed on this machine ---
system_install() {
  # A machine's own copies are not this test's to replace or purge.
  if dpkg-query -W -f='${Status}\n' quiltor libgaugix1 libgaugix-dev 2>/dev/null | has 'ok installed'; then
    fail "quiltor or libgaugix is already installed on this machine"
  fi
  touch "$WORK/installed"
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    "$WORK/debs/quiltor_${VERSION}_$ARCH.deb" "$WORK/debs/libgaugix1_${VERSION}_$ARCH.deb" \
    "$WORK/debs/libgaugix-dev_${VERSION}_$ARCH.deb" >/dev/null 2>"$WORK/apt.log" ||
    { cat "$WORK/apt.log" >&2; fail "the packages do not install"; }
  headless quiltor-stitch --help | has -- '--directions' || fail "quiltor-stitch --help"
  [ "$(man -w quiltor-stitch)" = /usr/share/man/man1/quiltor-stitch.1.gz ] || fail "man quiltor-stitch"
  # Linked and loaded from the system folders, no paths given.
  # shellcheck disable=SC2046
  cc "$WORK/gaugix_user.c" -o "$WORK/gaugix_system" $(env -u PKG_CONFIG_PATH pkg-config --cflags --libs gaugix)
  [ "$("$WORK/gaugix_system")" = "gaugix: right results" ] || fail "system Gaugix"

  # The desktop entry's command on an image, as a file manager runs it.
  local command
  command="$(sed -n 's/^Exec=//p' /usr/share/applications/com.korvex.Quiltor.desktop)"
  local home="$WORK/home"
  mkdir -p "$home"
  set +e
  # shellcheck disable=SC2086
  HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=offscreen \
    timeout 20 ${command/\%F/$WORK/sample/specimen_0001.bmp} >"$WORK/desktop.log" 2>&1
  local rc=$?
  set -e
  [ $rc -eq 124 ] || { cat "$WORK/desktop.log" >&2; fail "the program ended by itself ($rc)"; }
  # Installed for the whole system: even root's run leaves the program folder alone.
  [ -d "$home/Pictures/Quiltor/Image" ] || fail "no Image folder among the user's pictures"
  [ "$(stat -c %s "$home/.config/KORVEX/Pictaro Quiltor/data.cfg")" = 24 ] ||
    fail "no 24-byte data.cfg in the user's configuration folder"
  [ ! -e /usr/bin/Image ] && [ ! -e /usr/bin/data.cfg ] || fail "files made in /usr/bin"
}
if [ "$SYSTEM" = "--system" ]; then
  check "installed packages: stitcher help, man page, Gaugix, the desktop entry's command" system_install
fi

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
