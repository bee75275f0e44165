#!/usr/bin/env bash
# Starts the desktop program on a virtual display and saves a screenshot of it.
# Usage: scripts/screenshot.sh [BUILD_DIR] [OUTPUT_PNG]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build/asan}
OUT=${2:-docs/mainwindow.png}
PROGRAM="$BUILD/app/quiltor"
[ -x "$PROGRAM" ] || { echo "screenshot: $PROGRAM not built" >&2; exit 1; }

export ASAN_OPTIONS=detect_leaks=0
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$1" &
  pid=$!
  sleep "${SCREENSHOT_DELAY:-4}"
  # The main window alone; without a window manager it keeps its own size.
  import -window "KORVEX Pictaro Quiltor" "$2"
  kill "$pid"
' _ "$PROGRAM" "$OUT"
echo "screenshot: $OUT"
