#pragma once
// Matching primitives of the overlap search, shared with live capture.

#include "imagefiles/bitmap.h"

// Zone codes 1..9: cells of a 3 x 3 grid over the image, row by row.
// Percentages are limited to 0..100.
Rect ZoneRect(const Bitmap& bitmap, int zoneCode, int heightPct, int widthPct, bool shrink);
// The same zone of an image of width x height.
Rect ZoneRectOfSize(int width, int height, int zoneCode, int heightPct, int widthPct, bool shrink);

// Centre of the most textured window of side 2c - 1 inside rect, or (0, 0).
Point FindFeaturePoint(const Bitmap& bitmap, const Rect& rect, int halfSize);

// The largest half-size for which FindFeaturePoint can place a window inside
// rect (clipped to width x height); 0 when none fits.
int LargestFeatureHalfSize(const Rect& rect, int width, int height);

// The largest search radius for which each of the four directions' source
// zones of a width x height image holds a feature window; 0 when none does.
int LargestFittingRadius(int width, int height, int heightPct, int widthPct);

// (x - c, y - c, x + c, y + c)
Rect SquareAround(int x, int y, int halfSize);

// A copy of rect of bitmap; pixels outside the bitmap read black.
Bitmap CopyRectBitmap(const Bitmap& bitmap, const Rect& rect);

// Slides the template over rect of the searched bitmap, sampling it every
// step pixels; returns the best absolute normalised correlation (0..1) and,
// when it is above 0, writes the centre of the best candidate into point.
double CorrelationSearch(const Bitmap& templ, const Bitmap& searched, const Rect& rect, int step,
                         Point& point);
