#pragma once
// Plain, literal versions of the feature and correlation searches: the slow
// yardstick the engine's fast versions must agree with exactly. They guard
// their inputs the way the engine does (rectangle limited to the bitmap,
// step below 1 taken as 1, negative half-size as 0).

#include "imagefiles/bitmap.h"

Point ReferenceFindFeaturePoint(const Bitmap& bitmap, const Rect& rect, int halfSize);

double ReferenceCorrelationSearch(const Bitmap& templ, const Bitmap& searched, const Rect& rect,
                                  int step, Point& point);
