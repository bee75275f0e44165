// The weight map of an overlap and the five seam methods. Every method works
// row by row through row pointers and stays byte-exact to its rule.
#include "seams.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/parallel.h"

namespace {

void SeedWeights(WeightMap& v, const Rect& a, const Rect& c) {
  // 0 strictly inside the new image's outermost ring, 1 on and outside it:
  // inside are the columns a.Left + 1 .. a.Right - 2 of the rows a.Top + 1 .. a.Bottom - 2.
  const int W = v.Width();
  const int64_t from = std::clamp<int64_t>(int64_t{a.Left} + 1 - c.Left, 0, W);
  const int64_t to = std::clamp<int64_t>(int64_t{a.Right} - 1 - c.Left, from, W);
  for (int y = 0; y < v.Height(); ++y) {
    const int64_t gy = int64_t{c.Top} + y;
    const bool rowInside = a.Top < gy && gy < int64_t{a.Bottom} - 1;
    float* row = v.Row(y);
    std::fill(row, row + W, 1.0f);
    if (rowInside) std::fill(row + from, row + to, 0.0f);
  }
}

// Seed border values are exactly 0 or 1; any other reads as truncated.
int Side(float value) { return static_cast<int>(value) != 0 ? 1 : 0; }

// Which seed value (0 or 1) each row's ends and each column's ends carry.
struct SeedSides {
  std::vector<uint8_t> Left, Right, Top, Bottom;
};

SeedSides ReadSides(const WeightMap& v) {
  const int W = v.Width();
  const int H = v.Height();
  SeedSides s{std::vector<uint8_t>(H), std::vector<uint8_t>(H), std::vector<uint8_t>(W),
              std::vector<uint8_t>(W)};
  for (int y = 0; y < H; ++y) {
    s.Left[y] = static_cast<uint8_t>(Side(v.At(0, y)));
    s.Right[y] = static_cast<uint8_t>(Side(v.At(W - 1, y)));
  }
  for (int x = 0; x < W; ++x) {
    s.Top[x] = static_cast<uint8_t>(Side(v.At(x, 0)));
    s.Bottom[x] = static_cast<uint8_t>(Side(v.At(x, H - 1)));
  }
  return s;
}

// Without a horizontal seam a weight depends on the row and its column's two
// end seeds only: four values per row, each worked out as the rule does.
void FillInteriorRowByColumnEnds(WeightMap& v, const SeedSides& s, int y, bool vertical) {
  const int W = v.Width();
  const int H = v.Height();
  float values[4];
  for (int top = 0; top < 2; ++top) {
    for (int bottom = 0; bottom < 2; ++bottom) {
      double d[2] = {100000.0, 100000.0};
      if (vertical) {
        d[top] = std::min(d[top], static_cast<double>(y));
        d[bottom] = std::min(d[bottom], static_cast<double>(H - y));
      }
      values[top * 2 + bottom] = static_cast<float>(d[0] / (d[0] + d[1]));
    }
  }
  float* out = v.Row(y);
  for (int x = 1; x <= W - 2; ++x) out[x] = values[s.Top[x] * 2 + s.Bottom[x]];
}

void FillInteriorRow(WeightMap& v, const SeedSides& s, int y, bool horizontal, bool vertical) {
  if (!horizontal) {
    FillInteriorRowByColumnEnds(v, s, y, vertical);
    return;
  }
  const int W = v.Width();
  const int H = v.Height();
  const int left = s.Left[y];
  const int right = s.Right[y];
  float* out = v.Row(y);
  for (int x = 1; x <= W - 2; ++x) {
    double d[2] = {100000.0, 100000.0};
    if (horizontal) {
      d[left] = std::min(d[left], static_cast<double>(x));
      d[right] = std::min(d[right], static_cast<double>(W - x));
    }
    if (vertical) {
      d[s.Top[x]] = std::min(d[s.Top[x]], static_cast<double>(y));
      d[s.Bottom[x]] = std::min(d[s.Bottom[x]], static_cast<double>(H - y));
    }
    out[x] = static_cast<float>(d[0] / (d[0] + d[1]));
  }
}

// Interior rows depend only on the seeds, so rows are independent. Without a
// vertical seam a row depends on its two end seeds alone: a row whose ends
// match the row above is a copy of it.
void FillInterior(WeightMap& v, bool horizontal, bool vertical) {
  const int W = v.Width();
  const int H = v.Height();
  if (W < 3 || H < 3) return;
  const SeedSides s = ReadSides(v);
  const size_t rowBytes = static_cast<size_t>(W - 2) * sizeof(float);
  ParallelFor(H - 2, GrainFor(int64_t{W} * 8, 1 << 20), [&](int begin, int end) {
    for (int y = begin + 1; y < end + 1; ++y) {
      const bool sameAsAbove =
          y > begin + 1 && !vertical && s.Left[y] == s.Left[y - 1] && s.Right[y] == s.Right[y - 1];
      if (sameAsAbove) {
        std::memcpy(v.Row(y) + 1, v.Row(y - 1) + 1, rowBytes);
      } else {
        FillInteriorRow(v, s, y, horizontal, vertical);
      }
    }
  });
}

// The border rows (without a vertical seam) and then the border columns
// (without a horizontal one) become linear ramps between their end values.
void RampBorders(WeightMap& v, bool horizontal, bool vertical) {
  const int W = v.Width();
  const int H = v.Height();
  if (!vertical) {
    const double l = v.At(0, H / 2);
    const double r = v.At(W - 1, H / 2);
    for (int x = 1; x <= W - 2; ++x) {
      const float ramp = static_cast<float>(((W - x) * l + x * r) / W);
      v.At(x, 0) = ramp;
      v.At(x, H - 1) = ramp;
    }
  }
  if (!horizontal) {
    // Reads the row ends that the step above may just have written.
    const double t = v.At(W / 2, 0);
    const double b = v.At(W / 2, H - 1);
    for (int y = 1; y <= H - 2; ++y) {
      const float ramp = static_cast<float>(((H - y) * t + y * b) / H);
      v.At(0, y) = ramp;
      v.At(W - 1, y) = ramp;
    }
  }
}

// Rows of a region are mixed independently by every method but sharpness.
template <typename Body>
void ForEachRow(const Bitmap& r, const Body& body) {
  ParallelFor(r.Height(), GrainFor(int64_t{r.Width()} * 3, 1 << 18), [&](int begin, int end) {
    for (int y = begin; y < end; ++y) body(y);
  });
}

constexpr SeamMethod kSeamMethods[kBlendModeCount] = {
    BlendFront, BlendDiffusion, BlendAverage, BlendBrightness, BlendSharpness,
};

}  // namespace

Intersection IntersectRects(const Rect& a, const Rect& b) {
  Intersection i;
  i.Area = {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
  i.Present = i.Area.Right > i.Area.Left && i.Area.Bottom > i.Area.Top;
  return i;
}

WeightMap SeamWeights(const Rect& a, const Rect& c) {
  const int W = std::max(0, c.Width());
  const int H = std::max(0, c.Height());
  WeightMap v(W, H);
  if (W == 0 || H == 0) return v;
  SeedWeights(v, a, c);
  const bool horizontal = v.At(W - 1, H / 2) != v.At(0, H / 2);
  const bool vertical = v.At(W / 2, H - 1) != v.At(W / 2, 0);
  FillInterior(v, horizontal, vertical);
  RampBorders(v, horizontal, vertical);
  return v;
}

void BlendFront(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSeamSizes(r, n, weights);
  ForEachRow(r, [&](int y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    const float* w = weights.Row(y);
    for (int x = 0; x < r.Width(); ++x) {
      if (w[x] < 0.5f) std::memcpy(rr + 3 * x, nr + 3 * x, 3);
    }
  });
}

namespace {

// One row of the diffusion mix. The weights are first spread to one per byte
// so that the byte loop has no division by three and vectorises; every byte
// still gets the rule's double products and sum, in the same order. We build
// without FMA, so nothing fuses them.
void DiffuseRow(uint8_t* __restrict rr, const uint8_t* __restrict nr, const float* w, int width,
                double* __restrict keepCanvas, double* __restrict takeNew) {
  for (int x = 0; x < width; ++x) {
    const double v = w[x];
    for (int ch = 0; ch < 3; ++ch) {
      keepCanvas[3 * x + ch] = v;
      takeNew[3 * x + ch] = 1.0 - v;
    }
  }
  const int bytes = 3 * width;
  for (int i = 0; i < bytes; ++i) {
    // Truncation toward zero; the weights lie in 0..1, so the result is a byte.
    rr[i] = static_cast<uint8_t>(static_cast<int>(rr[i] * keepCanvas[i] + takeNew[i] * nr[i]));
  }
}

}  // namespace

void BlendDiffusion(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSeamSizes(r, n, weights);
  const int W = r.Width();
  ParallelFor(r.Height(), GrainFor(int64_t{W} * 3, 1 << 18), [&](int begin, int end) {
    std::vector<double> keepCanvas(static_cast<size_t>(W) * 3), takeNew(keepCanvas.size());
    for (int y = begin; y < end; ++y) {
      DiffuseRow(r.Row(y), n.Row(y), weights.Row(y), W, keepCanvas.data(), takeNew.data());
    }
  });
}

void BlendAverage(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSeamSizes(r, n, weights);
  const size_t bytes = static_cast<size_t>(r.Width()) * 3;
  ForEachRow(r, [&](int y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    for (size_t i = 0; i < bytes; ++i) rr[i] = static_cast<uint8_t>((rr[i] + nr[i]) / 2);
  });
}

void BlendBrightness(Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  CheckSeamSizes(r, n, weights);
  ForEachRow(r, [&](int y) {
    uint8_t* rr = r.Row(y);
    const uint8_t* nr = n.Row(y);
    for (int x = 0; x < r.Width(); ++x) {
      if (Intensity(nr + 3 * x) > Intensity(rr + 3 * x)) std::memcpy(rr + 3 * x, nr + 3 * x, 3);
    }
  });
}

SeamMethod SeamMethodFor(int blendMode) {
  if (blendMode < 0 || blendMode >= kBlendModeCount) return nullptr;
  return kSeamMethods[blendMode];
}
