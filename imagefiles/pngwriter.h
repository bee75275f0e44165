#pragma once
// PNG files at fast settings (one cheap filter, the fastest level of a
// compressor built for speed) and compressed in bands on several threads: the
// toolkit's writer tries every filter at full compression, many times slower
// for files a few per cent smaller.

#include "imagefiles/bitmap.h"

class QIODevice;

// Writes bitmap as an 8-bit RGB PNG into device (open for writing) with the
// resolution in dots per inch; false when the library or the device failed.
// threads 0: as many as the machine has; the bytes are the same for any number.
bool WritePng(QIODevice& device, const Bitmap& bitmap, double dotsPerInch, unsigned threads = 0);
