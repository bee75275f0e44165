#pragma once
// Images that stress the overlap search: exact repeats, inversions, noise.

#include <cstdint>

#include "imagefiles/bitmap.h"

// Uniform random bytes in every channel.
Bitmap NoiseBitmap(int width, int height, uint32_t seed);

// A random tile of periodX x periodY pixels repeated over the whole image,
// so equal windows and equal candidates occur at every period.
Bitmap PeriodicBitmap(int width, int height, int periodX, int periodY, uint32_t seed);

// Random pixels taking only `levels` grey values (many exact ties).
Bitmap FewLevelsBitmap(int width, int height, int levels, uint32_t seed);

// Every byte b replaced by 255 - b.
Bitmap InvertedBitmap(const Bitmap& source);
