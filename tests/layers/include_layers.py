#!/usr/bin/env python3
"""Fails when a source file includes a header sideways or up the layers.

Usage: include_layers.py SOURCE_ROOT     check the tree, name every bad include
       include_layers.py --self-test     plant bad includes in a scratch tree
"""
import os
import re
import subprocess
import sys
import tempfile

# What each top-level folder may include besides itself. Folders missing here
# (tests/, scripts/, ...) are not checked.
ALLOWED = {
    "app": {"mainwind", "capture", "dialogs", "widgets", "engine", "samples", "formats", "imagefiles"},
    # The shell hosts every page, the capture page included.
    "mainwind": {"capture", "dialogs", "widgets", "engine", "formats", "imagefiles"},
    # The simulated camera pans over the synthetic specimen.
    "capture": {"dialogs", "widgets", "engine", "samples", "formats", "imagefiles"},
    "dialogs": {"widgets", "engine", "formats", "imagefiles"},
    # The picture control is the engine's display target (the Picture interface).
    "widgets": {"engine", "formats", "imagefiles"},
    "engine": {"formats", "imagefiles"},
    "imagefiles": {"formats"},
    "formats": set(),
    "samples": {"formats", "imagefiles"},
    # The capture runner drives the capture page's plain classes without a window.
    "tools": {"capture", "engine", "samples", "formats", "imagefiles"},
    "gaugix": set(),
    "fuzz": {"engine", "formats", "imagefiles"},
    # Benchmarks run the tests' literal reference implementations as baselines.
    "bench": {"tools", "capture", "engine", "samples", "formats", "imagefiles", "tests"},
}

# Folders whose code is built and tested without Qt.
NO_QT = {"engine", "formats", "gaugix"}

# Rooms whose code runs without windows (the capture runner, the tests):
# no Qt Widgets header and nothing from the windowed folders.
NO_WIDGETS = {"capture/run", "capture/v4l2", "capture/simulated"}
WINDOWED = {"widgets", "dialogs", "mainwind"}

# The main window's pages: each may use the shell's files but not another page.
PAGES_OF = {"mainwind": {"album", "table", "correction", "assembly", "capture"}}

# Include directories the build adds besides the including file's own folder
# and the root (test and benchmark targets add tests/, the stitcher's users tools/).
EXTRA_SEARCH = ["tests", "tools", "gaugix"]

# Known exceptions, each with its reason; remove an entry once its include is gone.
EXCEPTIONS: set = set()

SOURCE_SUFFIXES = (".h", ".hpp", ".c", ".cc", ".cpp")
SKIP_DIRS = {".git", "build", "out"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Q[A-Za-z0-9_]*(/|$)|^Qt[A-Za-z]+/")
# Used when the installed Qt cannot be asked for its QtWidgets headers.
COMMON_WIDGETS = {"QAbstractButton", "QApplication", "QCheckBox", "QComboBox", "QDialog",
                  "QLabel", "QLayout", "QLineEdit", "QMainWindow", "QMenu", "QMessageBox",
                  "QPushButton", "QScrollArea", "QSlider", "QSpinBox", "QWidget"}


def widget_headers():
    """The class headers of the installed QtWidgets module (a few common ones without Qt)."""
    try:
        base = subprocess.run(["qtpaths6", "--query", "QT_INSTALL_HEADERS"], capture_output=True,
                              text=True, check=True).stdout.strip()
        return COMMON_WIDGETS | set(os.listdir(os.path.join(base, "QtWidgets")))
    except (OSError, subprocess.CalledProcessError):
        return COMMON_WIDGETS


WIDGET_HEADERS = widget_headers()


def is_widgets_header(target):
    return target.startswith("QtWidgets/") or target in WIDGET_HEADERS


def room_of(parts):
    """"capture/run" and the like for a file in one of the NO_WIDGETS rooms, else None."""
    room = "/".join(parts[:2])
    return room if len(parts) > 2 and room in NO_WIDGETS else None


def sources(root):
    for top in sorted(os.listdir(root)):
        if top not in ALLOWED or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs[:] = sorted(d for d in dirs if d not in SKIP_DIRS)
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(folder, name), root)


def resolve(root, rel_file, target):
    """The included file relative to root, or None when it is not the project's."""
    here = os.path.dirname(rel_file)
    for base in [here, ""] + EXTRA_SEARCH:
        candidate = os.path.normpath(os.path.join(base, target))
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def page_of(parts):
    """(top folder, page or None) of a path split into components."""
    pages = PAGES_OF.get(parts[0], set())
    if len(parts) > 2 and parts[1] in pages:
        return parts[0], parts[1]
    return parts[0], None


def problem(root, rel_file, kind, target):
    parts = rel_file.split(os.sep)
    top = parts[0]
    room = room_of(parts)
    if kind == "<":
        if top in NO_QT and QT_HEADER.match(target):
            return f"{top}/ is built without Qt, but includes <{target}>"
        if room and is_widgets_header(target):
            return f"{room}/ runs without windows, but includes <{target}>"
        if target.split("/")[0] not in ALLOWED:
            return None  # a system or library header
    found = resolve(root, rel_file, target)
    if found is None:
        if kind == '"':
            return f'"{target}" is not a file of the project'
        return None
    to_parts = found.split(os.sep)
    to_top = to_parts[0]
    if room and to_top in WINDOWED:
        return f"{room}/ runs without windows, but includes {found}"
    if to_top == top:
        src_page = page_of(parts)[1]
        dst_page = page_of(to_parts)[1]
        if src_page and dst_page and src_page != dst_page:
            return f"page {top}/{src_page}/ includes another page's {found}"
        return None
    if to_top not in ALLOWED[top]:
        return f"{top}/ may not include {to_top}/ ({found})"
    return None


def check(root):
    failures = []
    for rel_file in sources(root):
        with open(os.path.join(root, rel_file), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                kind, target = m.group(1), m.group(2).strip()
                if (rel_file.replace(os.sep, "/"), target) in EXCEPTIONS:
                    continue
                why = problem(root, rel_file, kind, target)
                if why:
                    failures.append(f"{rel_file}:{number}: {why}")
    return failures


def self_test():
    """The check must catch each kind of bad include and pass the good ones."""
    good = {
        "formats/a.h": "",
        "imagefiles/b.h": '#include "formats/a.h"\n#include <QImage>\n',
        "engine/c.h": '#include "imagefiles/b.h"\n#include "d.h"\n#include <vector>\n',
        "engine/d.h": "",
        "mainwind/shell.h": '#include "mainwind/album/page.h"\n#include "engine/c.h"\n',
        "mainwind/album/page.h": '#include "mainwind/shell.h"\n',
        "mainwind/table/page.h": '#include "../shell.h"\n',
        "app/main.cpp": '#include "mainwind/shell.h"\n',
        "capture/run/run.h": '#include "capture/video/source.h"\n#include <QImage>\n',
        "capture/video/source.h": "#include <QComboBox>\n",
        "capture/page.h": '#include "widgets/w.h"\n#include <QWidget>\n',
    }
    bad = {
        "engine/up.cpp": '#include "mainwind/shell.h"\n',
        "imagefiles/sideways.cpp": '#include "engine/c.h"\n',
        "formats/up.cpp": '#include "imagefiles/b.h"\n',
        "engine/qt.cpp": "#include <QString>\n",
        "formats/qt.cpp": "#include <QtCore/QString>\n",
        "mainwind/album/other.cpp": '#include "mainwind/table/page.h"\n',
        "mainwind/table/other.cpp": '#include "../album/page.h"\n',
        "tools/gui.cpp": '#include "dialogs/x.h"\n',
        "widgets/missing.cpp": '#include "nowhere.h"\n',
        "widgets/up.cpp": '#include "mainwind/shell.h"\n',
        "capture/run/qtwidgets.cpp": "#include <QtWidgets/QLabel>\n",
        "capture/v4l2/widget.cpp": "#include <QWidget>\n",
        "capture/simulated/dialog.cpp": '#include "dialogs/x.h"\n',
        "capture/run/control.cpp": '#include "../../widgets/w.h"\n',
    }
    with tempfile.TemporaryDirectory() as root:
        def write(files):
            for path, text in files.items():
                os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
                with open(os.path.join(root, path), "w") as f:
                    f.write(text)
        write(good)
        write({"dialogs/x.h": "", "widgets/w.h": ""})
        clean = check(root)
        write(bad)
        found = check(root)
    ok = True
    if clean:
        print("self-test: good includes reported:", *clean, sep="\n  ")
        ok = False
    for path in bad:
        if not any(f.startswith(path + ":") for f in found):
            print(f"self-test: bad include in {path} not reported")
            ok = False
    if ok:
        print(f"self-test: {len(bad)} planted bad includes reported, good ones passed")
    return 0 if ok else 1


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print(__doc__)
        return 2
    failures = check(argv[1])
    for failure in failures:
        print(failure)
    if failures:
        print(f"{len(failures)} include(s) point sideways or up the layers")
        return 1
    print("includes follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
