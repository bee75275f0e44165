#include "reference_assembly.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

uint8_t* Px(Bitmap& b, int x, int y) { return b.Pixel(x, y); }
const uint8_t* Px(const Bitmap& b, int x, int y) { return b.Pixel(x, y); }

void SetPixel(Bitmap& to, int x, int y, const uint8_t* from) {
  for (int ch = 0; ch < 3; ++ch) Px(to, x, y)[ch] = from[ch];
}

// Pixels outside from read black (a negative frame grows places past their bitmaps).
Bitmap CopyRect(const Bitmap& from, const Rect& r) {
  Bitmap out(r.Width(), r.Height());
  for (int y = 0; y < r.Height(); ++y) {
    for (int x = 0; x < r.Width(); ++x) {
      const int u = r.Left + x, v = r.Top + y;
      if (u >= 0 && v >= 0 && u < from.Width() && v < from.Height())
        SetPixel(out, x, y, Px(from, u, v));
    }
  }
  return out;
}

// Draws the whole of from at (left, top) of to, pixel by pixel, skipping what lies outside to.
void Draw(const Bitmap& from, Rect part, Bitmap& to, int left, int top) {
  for (int y = part.Top; y < part.Bottom; ++y) {
    for (int x = part.Left; x < part.Right; ++x) {
      const int tx = left + x - part.Left, ty = top + y - part.Top;
      if (x < 0 || y < 0 || x >= from.Width() || y >= from.Height()) continue;
      if (tx < 0 || ty < 0 || tx >= to.Width() || ty >= to.Height()) continue;
      SetPixel(to, tx, ty, Px(from, x, y));
    }
  }
}

Rect Shrink(const Rect& r, int by) {
  return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by};
}

void Front(Bitmap& r, const Bitmap& n, const WeightMap& w) {
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x)
      if (w.At(x, y) < 0.5f) SetPixel(r, x, y, Px(n, x, y));
}

void Diffusion(Bitmap& r, const Bitmap& n, const WeightMap& w) {
  for (int y = 0; y < r.Height(); ++y) {
    for (int x = 0; x < r.Width(); ++x) {
      const double v = w.At(x, y);
      for (int ch = 0; ch < 3; ++ch) {
        const double mixed = Px(r, x, y)[ch] * v + (1.0 - v) * Px(n, x, y)[ch];
        Px(r, x, y)[ch] = static_cast<uint8_t>(static_cast<int>(mixed));
      }
    }
  }
}

void Average(Bitmap& r, const Bitmap& n, const WeightMap&) {
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x)
      for (int ch = 0; ch < 3; ++ch)
        Px(r, x, y)[ch] = static_cast<uint8_t>((Px(r, x, y)[ch] + Px(n, x, y)[ch]) / 2);
}

void Brightness(Bitmap& r, const Bitmap& n, const WeightMap&) {
  for (int y = 0; y < r.Height(); ++y)
    for (int x = 0; x < r.Width(); ++x)
      if (Intensity(Px(n, x, y)) > Intensity(Px(r, x, y))) SetPixel(r, x, y, Px(n, x, y));
}

// Mean and summed absolute deviation of the window, intensities read afresh.
double Deviation(const Bitmap& b, int x0, int x1, int y0, int y1) {
  double sum = 0;
  int count = 0;
  for (int v = y0; v < y1; ++v)
    for (int u = x0; u < x1; ++u) {
      sum += Intensity(Px(b, u, v));
      ++count;
    }
  const double mean = sum / count;
  double dev = 0;
  for (int v = y0; v < y1; ++v)
    for (int u = x0; u < x1; ++u) dev += std::fabs(mean - Intensity(Px(b, u, v)));
  return dev;
}

void Sharpness(Bitmap& r, const Bitmap& n, const WeightMap&) {
  const int W = r.Width(), H = r.Height();
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const int x0 = std::max(0, x - 2), x1 = std::min(x + 2, W);
      const int y0 = std::max(0, y - 2), y1 = std::min(y + 2, H);
      if (Deviation(n, x0, x1, y0, y1) > Deviation(r, x0, x1, y0, y1))
        SetPixel(r, x, y, Px(n, x, y));
    }
  }
}

}  // namespace

WeightMap ReferenceSeamWeights(const Rect& a, const Rect& c) {
  const int W = c.Width(), H = c.Height();
  WeightMap v(W, H);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const int gx = c.Left + x, gy = c.Top + y;
      const bool inside = a.Left < gx && gx < a.Right - 1 && a.Top < gy && gy < a.Bottom - 1;
      v.At(x, y) = inside ? 0.0f : 1.0f;
    }
  }
  const bool horizontal = v.At(W - 1, H / 2) != v.At(0, H / 2);
  const bool vertical = v.At(W / 2, H - 1) != v.At(W / 2, 0);
  for (int y = 1; y <= H - 2; ++y) {
    for (int x = 1; x <= W - 2; ++x) {
      double d[2] = {100000.0, 100000.0};
      if (horizontal) {
        int k = static_cast<int>(v.At(0, y));
        d[k] = std::min(d[k], static_cast<double>(x));
        k = static_cast<int>(v.At(W - 1, y));
        d[k] = std::min(d[k], static_cast<double>(W - x));
      }
      if (vertical) {
        int k = static_cast<int>(v.At(x, 0));
        d[k] = std::min(d[k], static_cast<double>(y));
        k = static_cast<int>(v.At(x, H - 1));
        d[k] = std::min(d[k], static_cast<double>(H - y));
      }
      v.At(x, y) = static_cast<float>(d[0] / (d[0] + d[1]));
    }
  }
  if (!vertical) {
    for (int x = 1; x <= W - 2; ++x) {
      const double ramp = ((W - x) * double{v.At(0, H / 2)} + x * double{v.At(W - 1, H / 2)}) / W;
      v.At(x, 0) = v.At(x, H - 1) = static_cast<float>(ramp);
    }
  }
  if (!horizontal) {
    for (int y = 1; y <= H - 2; ++y) {
      const double ramp = ((H - y) * double{v.At(W / 2, 0)} + y * double{v.At(W / 2, H - 1)}) / H;
      v.At(0, y) = v.At(W - 1, y) = static_cast<float>(ramp);
    }
  }
  return v;
}

void ReferenceBlend(int mode, Bitmap& r, const Bitmap& n, const WeightMap& weights) {
  switch (mode) {
    case 0: Front(r, n, weights); break;
    case 1: Diffusion(r, n, weights); break;
    case 2: Average(r, n, weights); break;
    case 3: Brightness(r, n, weights); break;
    case 4: Sharpness(r, n, weights); break;
    default: break;
  }
}

Bitmap ReferenceCompose(const Panoram& engine, bool smoothing) {
  Bitmap canvas(engine.Result()->Width(), engine.Result()->Height());
  canvas.Fill(255, 255, 255);
  const int f = engine.CropImages() ? engine.FrameSize() : 0;
  const int mode = engine.BlendMode();
  for (int k = 0; k < engine.Count(); ++k) {
    const Bitmap& image = engine.ImageBitmap(k);
    const Rect place = engine.Place(k);
    Bitmap working = image;
    if (smoothing && k > 0 && mode >= 0 && mode <= 4) {
      const Rect a = Shrink(place, f);
      for (int i = 0; i < k; ++i) {
        const Rect b = Shrink(engine.Place(i), f);
        const Rect c{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                     std::min(a.Bottom, b.Bottom)};
        if (c.Width() <= 0 || c.Height() <= 0) continue;
        const WeightMap weights = ReferenceSeamWeights(a, c);
        const Rect local{c.Left - place.Left, c.Top - place.Top, c.Right - place.Left,
                         c.Bottom - place.Top};
        const Bitmap n = CopyRect(image, local);
        Bitmap r = CopyRect(canvas, c);
        ReferenceBlend(mode, r, n, weights);
        Draw(r, {0, 0, r.Width(), r.Height()}, working, local.Left, local.Top);
      }
    }
    const Rect source{f, f, working.Width() - f, working.Height() - f};
    if (source.Width() <= 0 || source.Height() <= 0) continue;
    Draw(working, source, canvas, place.Left + f, place.Top + f);
  }
  return canvas;
}
