#pragma once
// The intensities of a run of pixels, as Intensity (bitmap.h) gives them, many
// at a time: the link scores and the phase transforms read every pixel.

#include <cstdint>

#include "imagefiles/bitmap.h"

// Intensities of count pixels from p (3 bytes each) into out.
void RowIntensities(const uint8_t* p, int count, int16_t* out);

// Sums of the intensities of count squares of 2 x 2 pixels, whose rows start
// at top and bottom, into out; returns their total.
int64_t SquareSums(const uint8_t* top, const uint8_t* bottom, int count, float* out);
