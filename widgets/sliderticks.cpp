#include "widgets/sliderticks.h"

#include <algorithm>
#include <cstdint>

int ReadableTickInterval(int minimum, int maximum, int step, int maxIntervals) {
  const int64_t unit = std::max(step, 1);
  const int64_t span = static_cast<int64_t>(maximum) - minimum;
  const int64_t gaps = std::max(maxIntervals, 1);
  // 64 bits: a full 32-bit range in steps of one still fits.
  for (int64_t decade = 1;; decade *= 10) {
    for (const int64_t factor : {1, 2, 5}) {
      const int64_t interval = unit * factor * decade;
      if (interval * gaps >= span) return static_cast<int>(std::min<int64_t>(interval, INT32_MAX));
    }
  }
}
