// The correlation search (plain version, to be replaced by the fast one).
#include <algorithm>

#include "correlationtemplate.h"
#include "matching.h"

double CorrelationSearch(const Bitmap& templ, const Bitmap& searched, const Rect& rect, int step,
                         Point& point) {
  const SampledTemplate t = SampledTemplate::From(templ, step);
  if (t.N == 0 || t.ScaledVariance() == 0) return 0;
  const int left = std::max(rect.Left, 0);
  const int top = std::max(rect.Top, 0);
  const int right = std::min(rect.Right, searched.Width());
  const int bottom = std::min(rect.Bottom, searched.Height());
  const ConstRowTable rows = ScanRows(searched);
  double best = 0;
  for (int y0 = top; y0 < bottom - t.Height; ++y0) {
    for (int x0 = left; x0 < right - t.Width; ++x0) {
      const double score = LiteralScore(t, rows, x0, y0);
      if (score > best) {
        best = score;
        point = {x0 + t.Width / 2, y0 + t.Height / 2};
      }
    }
  }
  return best;
}
