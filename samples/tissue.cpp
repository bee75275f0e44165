#include "tissue.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// Optical density of the two stains per channel (red, green, blue): the
// nuclear stain absorbs red and green (purple), the counterstain mostly green (pink).
constexpr float kNuclearStain[3] = {0.65f, 0.70f, 0.29f};
constexpr float kCounterStain[3] = {0.07f, 0.99f, 0.11f};

// A uniform value in [0, 1) from the generator's standard 32-bit output, so
// the picture does not depend on the library's distributions.

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B1u ^ static_cast<uint32_t>(x) * 0x85EBCA77u ^
               static_cast<uint32_t>(y) * 0xC2B2AE3Du;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h;
}

// Smooth random field with features about cell pixels apart, values in [0, 1].
float ValueNoise(float x, float y, float cell, uint32_t seed) {
  const float fx = x / cell, fy = y / cell;
  const int32_t ix = static_cast<int32_t>(std::floor(fx)),
                iy = static_cast<int32_t>(std::floor(fy));
  float tx = fx - ix, ty = fy - iy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto v = [&](int32_t dx, int32_t dy) {
    return (Hash(ix + dx, iy + dy, seed) >> 8) / 16777216.0f;
  };
  const float top = v(0, 0) + (v(1, 0) - v(0, 0)) * tx;
  const float bottom = v(0, 1) + (v(1, 1) - v(0, 1)) * tx;
  return top + (bottom - top) * ty;
}

struct DensityMaps {
  int Width, Height;
  std::vector<float> Nuclear, Counter;
  float& N(int x, int y) { return Nuclear[static_cast<size_t>(y) * Width + x]; }
  float& C(int x, int y) { return Counter[static_cast<size_t>(y) * Width + x]; }
};

void StainBackground(DensityMaps& m, uint32_t seed) {
  for (int y = 0; y < m.Height; ++y) {
    for (int x = 0; x < m.Width; ++x) {
      const float broad = ValueNoise(x, y, 90, seed);
      const float middle = ValueNoise(x, y, 17, seed + 1);
      const float grain = ValueNoise(x, y, 3.0f, seed + 2);
      const float speckle = ValueNoise(x, y, 6.0f, seed + 3);
      m.C(x, y) = 0.15f + 0.22f * broad + 0.12f * middle + 0.22f * grain;
      m.N(x, y) = 0.02f + 0.12f * speckle * speckle;
    }
  }
}

// Adds an elliptic blob with a soft edge, its density scaled by texture.
void StampEllipse(DensityMaps& m, std::vector<float>& target, double cx, double cy, double rx,
                  double ry, double angle, float density, uint32_t textureSeed) {
  const double reach = std::max(rx, ry) + 2;
  const int x0 = std::max(0, static_cast<int>(cx - reach)),
            x1 = std::min(m.Width - 1, static_cast<int>(cx + reach));
  const int y0 = std::max(0, static_cast<int>(cy - reach)),
            y1 = std::min(m.Height - 1, static_cast<int>(cy + reach));
  const double c = std::cos(angle), s = std::sin(angle);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const double u = ((x - cx) * c + (y - cy) * s) / rx;
      const double v = (-(x - cx) * s + (y - cy) * c) / ry;
      const double d = std::sqrt(u * u + v * v);
      if (d >= 1.15) continue;
      const float edge = d < 0.85 ? 1.0f : static_cast<float>((1.15 - d) / 0.3);
      // Chromatin and granules: clumps at two scales, so no two blobs look alike.
      const float texture = 0.3f + 0.8f * ValueNoise(x, y, 2.0f, textureSeed) +
                            0.6f * ValueNoise(x, y, 4.5f, textureSeed + 1);
      target[static_cast<size_t>(y) * m.Width + x] += density * edge * texture;
    }
  }
}

void AddCells(DensityMaps& m, std::mt19937& rng, uint32_t seed) {
  const int cells = m.Width * m.Height / 600;
  for (int i = 0; i < cells; ++i) {
    const double cx = UnitDraw(rng) * m.Width, cy = UnitDraw(rng) * m.Height;
    const double r = 5 + 8 * UnitDraw(rng);
    const double angle = UnitDraw(rng) * 3.14159;
    // Cytoplasm, then the nucleus a little off its centre.
    StampEllipse(m, m.Counter, cx, cy, r * 1.7, r * 1.3, angle, 0.25f, seed + 10);
    StampEllipse(m, m.Nuclear, cx + (UnitDraw(rng) - 0.5) * r * 0.5,
                 cy + (UnitDraw(rng) - 0.5) * r * 0.5, r * (0.55 + 0.2 * UnitDraw(rng)), r * 0.5,
                 angle, 0.9f + 0.5f * static_cast<float>(UnitDraw(rng)), seed + 11);
  }
}

void AddFibres(DensityMaps& m, std::mt19937& rng, uint32_t seed) {
  const int fibres = m.Width * m.Height / 40000 + 3;
  for (int i = 0; i < fibres; ++i) {
    // A wavy curve: a straight course bent by two sines.
    double x = UnitDraw(rng) * m.Width, y = UnitDraw(rng) * m.Height;
    double heading = UnitDraw(rng) * 6.283;
    const double wave = 0.02 + 0.05 * UnitDraw(rng), bend = 0.3 + 0.5 * UnitDraw(rng);
    const double width = 1.2 + 1.8 * UnitDraw(rng);
    const int length = 150 + static_cast<int>(UnitDraw(rng) * 500);
    for (int t = 0; t < length; ++t) {
      const double dir = heading + bend * std::sin(t * wave);
      x += std::cos(dir);
      y += std::sin(dir);
      if (t % 2 == 0) StampEllipse(m, m.Counter, x, y, width, width, 0, 0.22f, seed + 20);
    }
  }
}

uint8_t Light(float density) {
  return static_cast<uint8_t>(std::clamp(255.0f * std::exp(-density), 0.0f, 255.0f));
}

}  // namespace

Bitmap RenderSpecimen(int width, int height, uint32_t seed) {
  DensityMaps m{width, height, std::vector<float>(static_cast<size_t>(width) * height),
                std::vector<float>(static_cast<size_t>(width) * height)};
  std::mt19937 rng(seed);
  StainBackground(m, seed);
  AddFibres(m, rng, seed);
  AddCells(m, rng, seed);
  Bitmap out(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out.Row(y);
    for (int x = 0; x < width; ++x) {
      const float n = m.N(x, y), c = m.C(x, y);
      // Blue, green, red: light left after both stains.
      for (int ch = 0; ch < 3; ++ch) {
        const int rgb = 2 - ch;
        row[3 * x + ch] = Light(n * kNuclearStain[rgb] + c * kCounterStain[rgb]);
      }
    }
  }
  return out;
}

double UnitDraw(std::mt19937& rng) { return (rng() >> 8) * (1.0 / 16777216.0); }
