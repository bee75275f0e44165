#pragma once
// Tiled, pyramidal TIFF for slide viewers: the picture at full size, then at
// each half size down to one tile, every level a directory of its own.

#include <cstdint>
#include <vector>

#include "imagefiles/bitmap.h"
#include "imagefiles/imagefiles.h"

class QIODevice;

constexpr int kPyramidTile = 512;  // pixels a side

struct LevelSize {
  int Width = 0, Height = 0;
  friend bool operator==(const LevelSize&, const LevelSize&) = default;
};

// Each level half the one before, rounded up, until one tile holds it.
std::vector<LevelSize> PyramidLevels(int width, int height);

// True when the file could pass what classic TIFF's 32-bit offsets reach:
// all levels' tiles uncompressed, with room for codes that grow instead.
bool PyramidNeedsBigTiff(int width, int height);

// Level `level` (0: the bitmap itself) of rows [top, top + rows) into rgb,
// red-green-blue, width of the level a row: each pixel the rounded mean of
// the 2^level x 2^level block it stands for (fewer at the right and bottom).
void ShrinkRows(const Bitmap& bitmap, int level, int top, int rows, uint8_t* rgb);

// Writes the pyramid into device (open for writing, able to seek), level by
// level, holding one row of tiles at a time; false when the library or the
// device failed.
bool WritePyramidTiff(QIODevice& device, const Bitmap& bitmap, const PixSaveOptions& options);
