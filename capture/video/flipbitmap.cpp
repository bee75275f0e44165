#include "capture/video/flipbitmap.h"

#include <algorithm>
#include <cstddef>

void FlipBitmap(Bitmap& frame, bool horizontal, bool vertical) {
  const int w = frame.Width();
  const int h = frame.Height();
  if (vertical) {
    for (int y = 0; y < h / 2; ++y) {
      std::swap_ranges(frame.Row(y), frame.Row(y) + static_cast<ptrdiff_t>(w) * 3,
                       frame.Row(h - 1 - y));
    }
  }
  if (horizontal) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w / 2; ++x)
        std::swap_ranges(frame.Pixel(x, y), frame.Pixel(x, y) + 3, frame.Pixel(w - 1 - x, y));
    }
  }
}
