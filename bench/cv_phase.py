#!/usr/bin/env python3
"""The computer-vision library's phase correlation on the zones the
registration bench wrote: for each NAME_a.png / NAME_b.png pair, the best
time of a grey conversion plus a Hann-windowed phase correlation, and the
shift it finds. One line per pair: NAME ms dx dy."""
import glob
import os
import sys
import time

import cv2
import numpy as np

folder = sys.argv[1]
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 30
for path in sorted(glob.glob(os.path.join(folder, "*_a.png"))):
    name = os.path.basename(path)[:-len("_a.png")]
    a8 = cv2.imread(path)
    b8 = cv2.imread(os.path.join(folder, name + "_b.png"))
    window = cv2.createHanningWindow((a8.shape[1], a8.shape[0]), cv2.CV_32F)
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        a = cv2.cvtColor(a8, cv2.COLOR_BGR2GRAY).astype(np.float32)
        b = cv2.cvtColor(b8, cv2.COLOR_BGR2GRAY).astype(np.float32)
        (dx, dy), _ = cv2.phaseCorrelate(b, a, window)
        best = min(best or 1e9, time.perf_counter() - start)
    print(f"{name} {best * 1000:.3f} {dx:.2f} {dy:.2f}")
