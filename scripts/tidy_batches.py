#!/usr/bin/env python3
"""clang-tidy over the program's sources, a few files of one target to a run.

Most of a run's time is spent reading and matching the Qt headers, once per
run: a batch of files that share their compile command reads them once. Each
batch is a file in the build folder that includes its sources (so the
project's .clang-tidy applies), and its findings are those of the sources and
the headers the configuration names. A batch that does not compile as one
(two sources define the same name in their own namespaces) is checked again
file by file.

usage: tidy_batches.py <compile database folder> <source regex> [batch size]
"""
import concurrent.futures
import json
import os
import re
import subprocess
import sys

EXTRA = ["-quiet", "--extra-arg=-Wno-unknown-warning-option"]
# A batch includes sources, which that check reports by design.
BATCH_ONLY = ["--checks=-bugprone-suspicious-include"]


def header_filter(root):
    """The configuration's header filter, so that a batch may widen it."""
    with open(os.path.join(root, ".clang-tidy"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("HeaderFilterRegex:"):
                return line.split(":", 1)[1].strip().strip("'")
    return ""


def batches(entries, size):
    """Entries grouped by their command without the file, then cut to size."""
    groups = {}
    for e in entries:
        key = re.sub(r" -o \S+", "", e["command"].replace(e["file"], ""))
        groups.setdefault(key, []).append(e)
    for group in groups.values():
        group.sort(key=lambda e: e["file"])
        for i in range(0, len(group), size):
            yield group[i:i + size]


def tidy(database, source, extra):
    run = subprocess.run(["clang-tidy", "-p", database, *EXTRA, *extra, source],
                         capture_output=True, text=True, check=False)
    return run.returncode, run.stdout + run.stderr


def check_batch(database, path, members, widened):
    files = "|".join(re.escape(e["file"]) for e in members)
    status, out = tidy(database, path, BATCH_ONLY + [f"--header-filter=^({files})$|{widened}"])
    if status == 0 or "[clang-diagnostic-error" not in out:
        return status, out
    print(f"clang-tidy: {path} checked file by file", file=sys.stderr)
    status, out = 0, ""
    for e in members:
        s, o = tidy(database, e["file"], [])
        status, out = status or s, out + o
    return status, out


def main():
    database, pattern = sys.argv[1], re.compile(sys.argv[2])
    size = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(database, "compile_commands.json"), encoding="utf-8") as f:
        entries = [e for e in json.load(f) if pattern.search(e["file"])]
    if not entries:
        print("clang-tidy: no source matches; are these a unity build's commands?", file=sys.stderr)
        return 1
    folder = os.path.join(database, "batches")
    os.makedirs(folder, exist_ok=True)
    jobs, commands = [], []
    for n, members in enumerate(batches(entries, size)):
        path = os.path.join(folder, f"batch_{n}.cpp")
        with open(path, "w", encoding="utf-8") as f:
            f.writelines(f'#include "{e["file"]}"\n' for e in members)
        first = members[0]
        commands.append({"directory": first["directory"], "file": path,
                         "command": first["command"].replace(first["file"], path)})
        jobs.append((path, members))
    # The batches, and each source for a batch checked file by file.
    with open(os.path.join(folder, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(commands + entries, f)
    widened = header_filter(root)
    failed = False
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        runs = [pool.submit(check_batch, folder, p, m, widened) for p, m in jobs]
        for r in runs:
            status, out = r.result()
            failed = failed or status != 0
            sys.stdout.write(out)
    print(f"clang-tidy: {len(entries)} sources in {len(jobs)} runs")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
