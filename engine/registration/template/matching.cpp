// How large a feature window fits a zone.
#include "matching.h"

#include <algorithm>
#include <cstdint>

int LargestFeatureHalfSize(const Rect& rect, int width, int height) {
  // FindFeaturePoint needs side - 2c - 1 > 0 on both axes, and c >= 1.
  const int64_t w = int64_t{std::min(rect.Right, width)} - std::max(rect.Left, 0);
  const int64_t h = int64_t{std::min(rect.Bottom, height)} - std::max(rect.Top, 0);
  const int64_t c = (std::min(w, h) - 2) / 2;
  return c >= 1 ? static_cast<int>(c) : 0;
}

int LargestFittingRadius(int width, int height, int heightPct, int widthPct) {
  int fitting = -1;
  for (int zone : {2, 4, 6, 8}) {
    const Rect z = ZoneRectOfSize(width, height, zone, heightPct, widthPct, true);
    const int c = LargestFeatureHalfSize(z, width, height);
    fitting = fitting < 0 ? c : std::min(fitting, c);
  }
  return fitting;
}
