#!/usr/bin/env bash
# Installs every Debian package the project needs; quick when all is present.
# Usage: setup.sh [build|bench]: build installs only what configuring and
# compiling need, so the tests' tools can install while the compiler runs;
# bench adds the computer-vision library the benchmarks compare with.
set -euo pipefail

BUILD_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format clang-tidy lld python3
  qt6-base-dev libqt6svg6 libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libtiff-dev libpng-dev libisal-dev libfftw3-dev
  libsane-dev libv4l-dev help2man librsvg2-bin
)
PACKAGES=(
  "${BUILD_PACKAGES[@]}"
  qt6-image-formats-plugins qt6-translations-l10n
  fonts-liberation2 fonts-dejavu-core fonts-wine
  # Slide readers that check the pyramidal TIFF, and the batch example's engine.
  libvips-tools openslide-tools snakemake
  libsane1 sane-utils v4l-utils
  oxygen-icon-theme
  xvfb xauth imagemagick x11-apps
  poppler-utils
  desktop-file-utils appstream lintian man-db file
  # Photographs for the held-out registration tests and bench (no dependencies).
  mate-backgrounds
)

case "${1:-}" in
  build) PACKAGES=("${BUILD_PACKAGES[@]}") ;;
  bench) PACKAGES+=(python3-opencv) ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
APT=(apt-get -o DPkg::Lock::Timeout=600)
# Package lists fetched within the hour (by the build group, say) serve.
if [ -z "$(find /var/lib/apt/lists -maxdepth 1 -name '*_Packages*' -mmin -60 2>/dev/null | head -n 1)" ]; then
  $SUDO "${APT[@]}" update -qq
fi
# Without a sync after every file: a machine that fails mid-install
# installs again anyway.
$SUDO "${APT[@]}" -o Dpkg::Options::=--force-unsafe-io install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
