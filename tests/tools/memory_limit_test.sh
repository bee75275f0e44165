#!/usr/bin/env bash
# The stitcher under address-space limits: every run either finishes with a
# correct mosaic or exits 1 naming "not enough memory", never crashes or hangs,
# and a failed run leaves the previous mosaic and report untouched.
#   memory_limit_test.sh STITCHER SAMPLES_TOOL WORK_DIR
set -uo pipefail
stitcher=$1 samples=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
"$samples" -o "$work/set" --columns 2 --rows 2 --width 640 --height 480 --seed 3 >/dev/null || exit 1

failures=0 finished=0 refused=0 unloadable=0
# The least address space in which the program can be loaded at all (its
# libraries) depends on the system: found first, in 1 MB steps.
base_kb=49152
until ( ulimit -v "$base_kb"; exec "$stitcher" --version ) >/dev/null 2>&1; do
  base_kb=$((base_kb + 1024))
  [ "$base_kb" -gt 1048576 ] && { echo "FAIL: the stitcher does not start even in 1 GB"; exit 1; }
done
# From there to enough for the whole job; steps of 192 kB fall on every stage
# (load, previews, search, canvas, composition, save) of this small job.
limits_kb=$(seq "$base_kb" 192 $((base_kb + 16384)); seq $((base_kb + 24576)) 16384 $((base_kb + 90112)))
for limit_kb in $limits_kb; do
  limit_mb=$((limit_kb / 1024)).$(( (limit_kb % 1024) * 10 / 1024 ))
  out="$work/m.png" report="$work/r.json"
  printf 'previous mosaic' >"$out"
  printf 'previous report' >"$report"
  ( ulimit -v "$limit_kb"; exec timeout 120 "$stitcher" --auto --quiet \
      -o "$out" --report "$report" "$work/set"/specimen_*.bmp ) 2>"$work/err.txt"
  status=$?
  err=$(tr '\n' ' ' <"$work/err.txt")
  echo "${limit_mb} MB: exit $status $err"
  if [ "$status" -eq 127 ] && [[ "$err" == *"error while loading shared libraries"* ]]; then
    unloadable=$((unloadable + 1))  # the system could not even load the program's libraries
  elif [ "$status" -eq 0 ]; then
    finished=$((finished + 1))
    if ! "$samples" -o "$work/set" --check "$report" >/dev/null; then
      echo "FAIL ${limit_mb} MB: finished with places that differ from the truth"; failures=$((failures + 1))
    fi
  elif [ "$status" -eq 1 ] && [[ "$err" == *"not enough memory"* ]]; then
    refused=$((refused + 1))
    if [ "$(cat "$out")" != "previous mosaic" ] || [ "$(cat "$report")" != "previous report" ]; then
      echo "FAIL ${limit_mb} MB: a refused run replaced a file"; failures=$((failures + 1))
    fi
  else
    echo "FAIL ${limit_mb} MB: exit $status: $err"; failures=$((failures + 1))
  fi
  if ls "$work"/*.part* >/dev/null 2>&1 || ls "$work"/.*.png.* >/dev/null 2>&1; then
    echo "FAIL ${limit_mb} MB: a temporary file was left"; failures=$((failures + 1))
  fi
done
# A valid 20000 x 20000 PNG of 2.5 MB (1 bit a pixel) decodes to 1.2 GB: under a
# 1.5 GB limit it is refused at once as short memory, not decoded for minutes
# nor reported as damaged data.
python3 - "$work/big.png" <<'PY'
import struct, sys, zlib
w = h = 20000
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
c = zlib.compressobj(9)
row = b"\x00" * (1 + w // 8)
idat = b"".join(c.compress(row) for _ in range(h)) + c.flush()
palette = bytes([250, 250, 250, 10, 20, 30])
with open(sys.argv[1], "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 1, 3, 0, 0, 0))
            + chunk(b"PLTE", palette) + chunk(b"IDAT", idat) + chunk(b"IEND", b""))
PY
start=$(date +%s)
( ulimit -v $((1500 * 1024)); exec timeout 120 "$stitcher" --quiet -o "$work/big-out.png" \
    "$work/big.png" "$work/big.png" ) 2>"$work/err.txt"
status=$? seconds=$(( $(date +%s) - start ))
err=$(tr '\n' ' ' <"$work/err.txt")
if [ "$status" -ne 1 ] || [[ "$err" != *"not enough memory"* ]] || [ "$seconds" -gt 10 ]; then
  echo "FAIL 20000 x 20000 PNG under 1.5 GB: exit $status after $seconds s: $err"; failures=$((failures + 1))
fi

echo "finished $finished, refused for memory $refused, not loadable $unloadable, failed $failures"
# Both outcomes must have happened, or the limits no longer test anything.
[ "$failures" -eq 0 ] && [ "$finished" -gt 0 ] && [ "$refused" -gt 0 ]
