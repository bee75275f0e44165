#include "support/reference_overlay.h"

#include <cmath>

void ReferenceBlendContactZone(Bitmap& live, const Bitmap& previous, int density, bool negative,
                               int dx, int dy) {
  const float alpha = static_cast<float>(density) / 16.0F;
  const float beta = 1.0F - alpha;
  const int width = previous.Width();
  const int height = previous.Height();
  const int x0 = dx > 0 ? dx : 0;
  const int x1 = dx > 0 ? width - 1 : width + dx - 1;
  const int y0 = dy > 0 ? dy : 0;
  const int y1 = dy > 0 ? height - 1 : height + dy - 1;
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      const uint8_t* source = previous.Pixel(x - dx, y - dy);
      uint8_t* target = live.Pixel(x, y);
      for (int channel = 2; channel >= 0; --channel) {  // red, green, blue
        const int p = negative ? 255 - source[channel] : source[channel];
        const double mixed =
            static_cast<double>(target[channel]) * alpha + static_cast<double>(p) * beta;
        target[channel] = static_cast<uint8_t>(std::trunc(mixed));
      }
    }
  }
}
