#pragma once
// Matching primitives of the template search, shared with live capture.

#include "engine/registration/zones.h"
#include "imagefiles/bitmap.h"

// Centre of the most textured window of side 2c - 1 inside rect, or (0, 0).
Point FindFeaturePoint(const Bitmap& bitmap, const Rect& rect, int halfSize);

// The largest half-size for which FindFeaturePoint can place a window inside
// rect (clipped to width x height); 0 when none fits.
int LargestFeatureHalfSize(const Rect& rect, int width, int height);

// The largest search radius for which each of the four directions' source
// zones of a width x height image holds a feature window; 0 when none does.
int LargestFittingRadius(int width, int height, int heightPct, int widthPct);

// Slides the template over rect of the searched bitmap, sampling it every
// step pixels; returns the best absolute normalised correlation (0..1) and,
// when it is above 0, writes the centre of the best candidate into point.
double CorrelationSearch(const Bitmap& templ, const Bitmap& searched, const Rect& rect, int step,
                         Point& point);
