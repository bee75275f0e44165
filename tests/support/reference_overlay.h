#pragma once
// The contact-zone blend written out literally, pixel by pixel, column by
// column, with the float weights: the yardstick for the fast blend. Like the
// original, it assumes live is at least as large as previous.

#include "imagefiles/bitmap.h"

void ReferenceBlendContactZone(Bitmap& live, const Bitmap& previous, int density, bool negative,
                               int dx, int dy);
