#pragma once
// TIFF files written with libtiff, which offers the compressions the
// toolkit's own writer lacks (Deflate) and records the resolution.

#include "imagefiles/bitmap.h"
#include "imagefiles/imagefiles.h"

class QIODevice;
struct tiff;

// libtiff over device, mode as for TIFFOpen ("w", "w8" for BigTIFF), with the
// library's messages silenced; null when the library failed.
tiff* OpenTiffOnDevice(QIODevice& device, const char* mode);

// Writes bitmap as an 8-bit RGB TIFF into device (open for writing, able to
// seek); false when the library or the device failed.
bool WriteTiff(QIODevice& device, const Bitmap& bitmap, PixTiffCompression compression,
               double dotsPerInch);
