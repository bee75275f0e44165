#include "reference_search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

Rect InsideBitmap(const Bitmap& bitmap, const Rect& rect) {
  return {std::max(rect.Left, 0), std::max(rect.Top, 0), std::min(rect.Right, bitmap.Width()),
          std::min(rect.Bottom, bitmap.Height())};
}

int I(const ConstRowTable& rows, int64_t x, int64_t y) {
  return Intensity(rows.Rows[static_cast<size_t>(y)] + 3 * x);
}

// Areas of the two triangles over the unit square at (u, v).
double Cell(const ConstRowTable& rows, int64_t u, int64_t v) {
  const int a = I(rows, u + 1, v) - I(rows, u, v);
  const int b = I(rows, u, v + 1) - I(rows, u, v);
  const int c = I(rows, u + 1, v) - I(rows, u + 1, v + 1);
  const int d = I(rows, u, v + 1) - I(rows, u + 1, v + 1);
  return std::sqrt(static_cast<double>(1 + a * a + b * b)) +
         std::sqrt(static_cast<double>(1 + c * c + d * d));
}

std::vector<int64_t> Samples(int size, int step) {
  std::vector<int64_t> at;
  for (int64_t u = 0; u < size; u += step) at.push_back(u);
  return at;
}

}  // namespace

Point ReferenceFindFeaturePoint(const Bitmap& bitmap, const Rect& rect, int halfSize) {
  const int64_t c = std::max(halfSize, 0);
  const Rect r = InsideBitmap(bitmap, rect);
  const ConstRowTable rows = ScanRows(bitmap);
  const int64_t s = 2 * c - 1;
  double best = 0;
  Point result{};
  for (int64_t y = r.Top; y < r.Bottom - 2 * c - 1; ++y) {
    double e = 0;
    for (int64_t x = r.Left; x < r.Right - 2 * c - 1; ++x) {
      if (x == r.Left) {
        e = 0;
        for (int64_t v = y; v < y + s; ++v) {
          for (int64_t u = x; u < x + s; ++u) e += Cell(rows, u, v);
        }
      } else {
        for (int64_t v = y; v < y + s; ++v) {
          e -= Cell(rows, x - 1, v);
          e += Cell(rows, x + s - 1, v);
        }
      }
      if (e > best) {
        best = e;
        result = {static_cast<int32_t>(x + c), static_cast<int32_t>(y + c)};
      }
    }
  }
  return result;
}

double ReferenceCorrelationSearch(const Bitmap& templ, const Bitmap& searched, const Rect& rect,
                                  int step, Point& point) {
  const int k = std::max(step, 1);
  const Rect r = InsideBitmap(searched, rect);
  const int tw = templ.Width();
  const int th = templ.Height();
  const std::vector<int64_t> us = Samples(tw, k);
  const std::vector<int64_t> vs = Samples(th, k);
  const int64_t n = static_cast<int64_t>(us.size() * vs.size());
  if (n == 0) return 0;
  const ConstRowTable t = ScanRows(templ);
  const ConstRowTable s = ScanRows(searched);

  int64_t sumT = 0;
  for (int64_t v : vs) {
    for (int64_t u : us) sumT += I(t, u, v);
  }
  const double mT = static_cast<double>(sumT) / static_cast<double>(n);
  double ssT = 0;
  for (int64_t v : vs) {
    for (int64_t u : us) {
      const double dt = I(t, u, v) - mT;
      ssT += dt * dt;
    }
  }
  const double sigT = std::sqrt(ssT);

  double best = 0;
  for (int64_t y0 = r.Top; y0 < int64_t{r.Bottom} - th; ++y0) {
    for (int64_t x0 = r.Left; x0 < int64_t{r.Right} - tw; ++x0) {
      int64_t sumS = 0;
      for (int64_t v : vs) {
        for (int64_t u : us) sumS += I(s, x0 + u, y0 + v);
      }
      const double mS = static_cast<double>(sumS) / static_cast<double>(n);
      double cross = 0;
      double ss = 0;
      for (int64_t v : vs) {
        for (int64_t u : us) {
          const double ds = I(s, x0 + u, y0 + v) - mS;
          const double dt = I(t, u, v) - mT;
          cross += ds * dt;
          ss += ds * ds;
        }
      }
      const double sigS = std::sqrt(ss);
      if (sigS != 0 && sigT != 0) {
        const double score = std::fabs(cross / (sigS * sigT));
        if (score > best) {
          best = score;
          point = {static_cast<int32_t>(x0 + tw / 2), static_cast<int32_t>(y0 + th / 2)};
        }
      }
    }
  }
  return best;
}
