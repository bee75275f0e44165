#pragma once
// Seam blending of one overlap: the weight map and the five seam methods.

#include <cassert>
#include <cstdint>
#include <vector>

#include "imagefiles/bitmap.h"

// One single-precision weight per overlap pixel, addressed by row then column.
// A weight is that of the canvas pixel against the new image's pixel:
// 1 keeps the canvas, 0 takes the new image.
class WeightMap {
 public:
  WeightMap() = default;
  WeightMap(int width, int height)
      : width_(width), height_(height), values_(static_cast<size_t>(width) * height, 0.0f) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  float& At(int x, int y) { return values_[static_cast<size_t>(y) * width_ + x]; }
  float At(int x, int y) const { return values_[static_cast<size_t>(y) * width_ + x]; }
  float* Row(int y) { return values_.data() + static_cast<size_t>(y) * width_; }
  const float* Row(int y) const { return values_.data() + static_cast<size_t>(y) * width_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<float> values_;
};

// Intersection of two rectangles; present is false when it has no area.
struct Intersection {
  Rect Area;
  bool Present = false;
};
Intersection IntersectRects(const Rect& a, const Rect& b);

// Weights of overlap c (canvas pixels) for a new image at place a (shrunk when
// cropping): 1 on the new image's outermost ring, ramping to 0 across the overlap.
WeightMap SeamWeights(const Rect& a, const Rect& c);

// A seam method mixes the new image's region n into the canvas region r (same
// size) in place, pixel by pixel.
using SeamMethod = void (*)(Bitmap& r, const Bitmap& n, const WeightMap& weights);

// The regions and the weights of one overlap share one size.
inline void CheckSeamSizes([[maybe_unused]] const Bitmap& r, [[maybe_unused]] const Bitmap& n,
                           [[maybe_unused]] const WeightMap& w) {
  assert(r.Width() == n.Width() && r.Height() == n.Height());
  assert(w.Width() == r.Width() && w.Height() == r.Height());
}

void BlendFront(Bitmap& r, const Bitmap& n, const WeightMap& weights);
void BlendDiffusion(Bitmap& r, const Bitmap& n, const WeightMap& weights);
void BlendAverage(Bitmap& r, const Bitmap& n, const WeightMap& weights);
void BlendBrightness(Bitmap& r, const Bitmap& n, const WeightMap& weights);
// Row-major and in place: later windows see the canvas pixels already replaced.
void BlendSharpness(Bitmap& r, const Bitmap& n, const WeightMap& weights);

constexpr int kBlendModeCount = 5;

// The method of BlendMode 0..4 (front, diffusion, average, brightness,
// sharpness), or nullptr for any other value.
SeamMethod SeamMethodFor(int blendMode);
