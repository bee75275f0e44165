#pragma once
// Mirroring of frames for devices that cannot flip the picture themselves.

#include "imagefiles/bitmap.h"

// Mirrors frame in place: horizontal swaps left and right, vertical top and bottom.
void FlipBitmap(Bitmap& frame, bool horizontal, bool vertical);
