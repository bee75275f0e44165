#pragma once
// Registration by template: a textured square of the source image found in
// the searched image by normalised correlation, as the six settings steer it.

#include "engine/registration/linkscore.h"
#include "engine/registration/pairmatch.h"
#include "imagefiles/bitmap.h"

// The link along direction 1..4: the square of half-size radius around the
// most textured point of the source's shrunk zone, sought every step pixels
// in the searched image's zone. Score is the template's correlation.
PairMatch TemplateMatchPair(const Bitmap& source, const Bitmap& searched, int direction,
                            int heightPct, int widthPct, int radius, int step);

// The same between any two zones, each in its own image's pixels.
PairMatch TemplateMatchZones(const Bitmap& source, const Bitmap& searched, const Rect& sourceZone,
                             const Rect& searchedZone, int radius, int step);

// A link expected with the searched image's origin at around in source
// pixels, give or take reach: the template from sourceZone is sought only
// where that offset puts it.
PairMatch TemplateMatchAround(const Bitmap& source, const Bitmap& searched, const Rect& sourceZone,
                              Offset around, int reach, int radius, int step);
