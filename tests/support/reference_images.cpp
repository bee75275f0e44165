#include "reference_images.h"

#include <random>

Bitmap NoiseBitmap(int width, int height, uint32_t seed) {
  Bitmap b(width, height);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < 3 * width; ++x) row[x] = static_cast<uint8_t>(rng() & 0xFF);
  }
  return b;
}

Bitmap PeriodicBitmap(int width, int height, int periodX, int periodY, uint32_t seed) {
  const Bitmap tile = NoiseBitmap(periodX, periodY, seed);
  Bitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t* s = tile.Pixel(x % periodX, y % periodY);
      uint8_t* d = b.Pixel(x, y);
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
  return b;
}

Bitmap FewLevelsBitmap(int width, int height, int levels, uint32_t seed) {
  Bitmap b(width, height);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> level(0, levels - 1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t grey = static_cast<uint8_t>(100 + level(rng));
      uint8_t* d = b.Pixel(x, y);
      d[0] = d[1] = d[2] = grey;
    }
  }
  return b;
}

Bitmap InvertedBitmap(const Bitmap& source) {
  Bitmap b = source;
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < 3 * b.Width(); ++x) row[x] = static_cast<uint8_t>(255 - row[x]);
  }
  return b;
}
