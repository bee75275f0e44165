#pragma once
// Where the overlap searches look: the zones of an image, the zones each
// direction compares, squares around a point and copies of a region.

#include "imagefiles/bitmap.h"

// Zone codes 1..9: cells of a 3 x 3 grid over the image, row by row.
// Percentages are limited to 0..100.
Rect ZoneRect(const Bitmap& bitmap, int zoneCode, int heightPct, int widthPct, bool shrink);
// The same zone of an image of width x height.
Rect ZoneRectOfSize(int width, int height, int zoneCode, int heightPct, int widthPct, bool shrink);

// Zone codes per direction 1..4: the source zone in image i - 1 and the
// searched zone in image i.
inline int SourceZoneCode(int direction) {
  constexpr int kCodes[5] = {0, 6, 8, 4, 2};
  return kCodes[direction];
}
inline int SearchedZoneCode(int direction) {
  constexpr int kCodes[5] = {0, 4, 2, 6, 8};
  return kCodes[direction];
}

// (x - c, y - c, x + c, y + c)
Rect SquareAround(int x, int y, int halfSize);

// A copy of rect of bitmap; pixels outside the bitmap read black.
Bitmap CopyRectBitmap(const Bitmap& bitmap, const Rect& rect);
