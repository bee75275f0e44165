#!/usr/bin/env python3
"""The computer-vision library's writers on the same mosaics: PNG and JPEG
(quality 95, as ours) time and size, best of two; with --peak, one flat TIFF
write of the first mosaic, for a peak-memory run."""
import os
import sys
import tempfile
import time

import cv2

if sys.argv[1] == "--peak":
    image = cv2.imread(sys.argv[2])
    cv2.imwrite(sys.argv[3], image)
    sys.exit(0)

out = tempfile.mkdtemp(prefix="cv-writers-")
for path in sys.argv[1:]:
    image = cv2.imread(path)
    label = f"{image.shape[1]}x{image.shape[0]}"
    for name, params in (("png", []), ("jpg", [cv2.IMWRITE_JPEG_QUALITY, 95])):
        target = os.path.join(out, "m." + name)
        best = None
        for _ in range(2):
            start = time.perf_counter()
            cv2.imwrite(target, image, params)
            best = min(best or 1e9, time.perf_counter() - start)
        print(f"cv2 {name:4s} {label:12s} {best * 1000:9.1f} ms {os.path.getsize(target) / 1e6:8.2f} MB")
        os.remove(target)
os.rmdir(out)
