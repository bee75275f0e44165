#include "testimages.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <random>

Bitmap TexturedBitmap(int width, int height, uint32_t seed) {
  Bitmap b(width, height);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  // A sum of a few random blobs and waves; cheap, deterministic, and textured everywhere.
  struct Wave {
    double fx, fy, phase, amp;
  };
  Wave waves[12];
  for (auto& w : waves) {
    const double scale = 0.01 + 0.2 * u(rng);
    w = {scale * (u(rng) - 0.5) * 2, scale * (u(rng) - 0.5) * 2, u(rng) * 6.283, 0.5 + u(rng)};
  }
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < width; ++x) {
      double v = 0;
      for (const auto& w : waves) v += w.amp * std::sin(w.fx * x + w.fy * y + w.phase);
      const int base = 128 + static_cast<int>(v * 14) + noise(rng);
      for (int c = 0; c < 3; ++c) {
        const int value = base + (c - 1) * 20;
        row[3 * x + c] = static_cast<uint8_t>(std::clamp(value, 0, 255));
      }
    }
  }
  return b;
}

Bitmap FlatBitmap(int width, int height, uint8_t blue, uint8_t green, uint8_t red) {
  Bitmap b(width, height);
  b.Fill(blue, green, red);
  return b;
}

Bitmap CropBitmap(const Bitmap& source, int x, int y, int width, int height) {
  Bitmap b(width, height);
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const uint8_t* s = source.Pixel(x + col, y + row);
      uint8_t* d = b.Pixel(col, row);
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
  return b;
}

std::string MakeTempDir(const std::string& tag) {
  QTemporaryDir dir(QDir::tempPath() + "/quiltor-" + QString::fromStdString(tag) + "-XXXXXX");
  dir.setAutoRemove(false);
  return dir.path().toStdString();
}
