#pragma once
// PNG files written with libpng at fast settings: the toolkit's writer tries
// every filter at full compression, ten times slower for files under a tenth
// smaller.

#include "imagefiles/bitmap.h"

class QIODevice;

// Writes bitmap as an 8-bit RGB PNG into device (open for writing) with the
// resolution in dots per inch; false when the library or the device failed.
bool WritePng(QIODevice& device, const Bitmap& bitmap, double dotsPerInch);
