#!/usr/bin/env bash
# The batch example on small sets: two good sample sets, one whose two fields
# do not overlap (a weak link) and one with a damaged file (a failed set).
# Checks that every good set has its mosaic and report, the weak link is in
# the summary and the failed set is named.
#   scripts/batch-check.sh [BUILD_DIR]     default build/release
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/release}" && pwd)
work=$(mktemp -d /tmp/quiltor-batch.XXXXXX)
trap 'rm -rf "$work"' EXIT
sets="$work/sets"
"$build/tools/quiltor-samples" -o "$sets/slide_a" --seed 3 --columns 2 --rows 2 --width 480 \
  --height 360 --overlap 30 >/dev/null
"$build/tools/quiltor-samples" -o "$sets/slide_b" --seed 4 --columns 3 --rows 1 --width 480 \
  --height 360 --overlap 30 >/dev/null
# Two fields from far apart in one specimen: they share nothing.
"$build/tools/quiltor-samples" -o "$work/far" --seed 5 --columns 6 --rows 1 --width 480 \
  --height 360 --overlap 10 >/dev/null
mkdir -p "$sets/slide_weak" "$sets/slide_broken"
far=("$work"/far/specimen_*.bmp)
cp "${far[0]}" "$sets/slide_weak/1.bmp"
cp "${far[5]}" "$sets/slide_weak/2.bmp"
cp "$sets/slide_a/specimen_0001.bmp" "$sets/slide_broken/1.bmp"
head -c 300 "$sets/slide_a/specimen_0002.bmp" >"$sets/slide_broken/2.bmp"

out="$work/results"
snakemake -s examples/batch/Snakefile --cores 2 --quiet --directory "$work" \
  --config sets="$sets" out="$out" stitch="$build/tools/quiltor-stitch" >"$work/run.log" 2>&1 ||
  { cat "$work/run.log"; exit 1; }

python3 - "$out" "$work/run.log" <<'PY'
import csv, json, struct, sys
out, log = sys.argv[1], sys.argv[2]
rows = {r["set"]: r for r in csv.DictReader(open(f"{out}/summary.tsv"), delimiter="\t")}
problems = []
def check(ok, what):
    if not ok: problems.append(what)
check(sorted(rows) == ["slide_a", "slide_b", "slide_broken", "slide_weak"], f"sets {sorted(rows)}")
for name in ("slide_a", "slide_b"):
    row = rows.get(name, {})
    check(row.get("result") == "ok", f"{name}: {row}")
    check(row.get("weak_links") == "", f"{name} has weak links: {row}")
    report = json.load(open(f"{out}/{name}/report.json"))
    with open(f"{out}/{name}/mosaic.png", "rb") as png:  # IHDR: width, height
        head = png.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", f"{name}: not a PNG")
    check(list(struct.unpack(">II", head[16:24])) == report["output"], f"{name}: size")
    check(row.get("mosaic") == "x".join(map(str, report["output"])), f"{name}: {row}")
check(rows.get("slide_weak", {}).get("weak_links", "").startswith("1.bmp-2.bmp"),
      f"weak link not listed: {rows.get('slide_weak')}")
check(rows.get("slide_broken", {}).get("result", "").startswith("failed"),
      f"broken set not failed: {rows.get('slide_broken')}")
check("failed sets: slide_broken" in open(log).read(), "failed set not named at the end")
if problems:
    print("batch check failed:\n  " + "\n  ".join(problems))
    print(open(f"{out}/summary.tsv").read())
    sys.exit(1)
print("batch check: 4 sets, 2 stitched cleanly, the weak link and the failed set named")
PY
