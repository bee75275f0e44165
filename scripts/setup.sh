#!/usr/bin/env bash
# Installs every Debian package the project needs; quick when all is present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format clang-tidy lld
  qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n libqt6svg6
  fonts-liberation2 fonts-dejavu-core fonts-wine
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libtiff-dev libpng-dev libisal-dev
  # Slide readers that check the pyramidal TIFF, and the batch example's engine.
  libvips-tools openslide-tools snakemake
  libsane1 sane-utils libsane-dev libv4l-dev v4l-utils
  oxygen-icon-theme
  xvfb xauth imagemagick x11-apps
  poppler-utils python3
  help2man librsvg2-bin desktop-file-utils appstream lintian man-db file
  libfftw3-dev
  # Photographs for the held-out registration tests and bench (no dependencies).
  mate-backgrounds
)

# The benchmarks also compare with the computer-vision library (setup.sh bench).
if [ "${1:-}" = bench ]; then PACKAGES+=(python3-opencv); fi

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
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
