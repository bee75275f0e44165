#pragma once
// Bitmaps made by the tests themselves.

#include <cstdint>
#include <string>

#include "imagefiles/bitmap.h"

// Smooth random texture with detail at several scales; the same seed gives the same image.
Bitmap TexturedBitmap(int width, int height, uint32_t seed);

// Every pixel the same colour.
Bitmap FlatBitmap(int width, int height, uint8_t blue, uint8_t green, uint8_t red);

// The rectangle (x, y, width, height) of source as a new bitmap.
Bitmap CropBitmap(const Bitmap& source, int x, int y, int width, int height);

// A fresh empty folder under the system's temporary folder, removed by the caller.
std::string MakeTempDir(const std::string& tag);
