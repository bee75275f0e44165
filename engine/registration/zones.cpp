// Zones, squares and region copies: where the searches look, and what they cut out.
#include "zones.h"

#include <algorithm>
#include <cstring>

#include "formats/setupdata.h"

Rect ZoneRect(const Bitmap& bitmap, int zoneCode, int heightPct, int widthPct, bool shrink) {
  return ZoneRectOfSize(bitmap.Width(), bitmap.Height(), zoneCode, heightPct, widthPct, shrink);
}

Rect ZoneRectOfSize(int W, int H, int zoneCode, int heightPct, int widthPct, bool shrink) {
  // 64-bit products: a percentage times a large side must not overflow.
  const int r = static_cast<int>(int64_t{UsableZonePct(heightPct)} * H / 100);
  const int f = static_cast<int>(int64_t{UsableZonePct(widthPct)} * W / 100);
  Rect z;
  switch (zoneCode) {
    case 1: z = {0, 0, f, r}; break;
    case 2: z = {(W - f) / 2, 0, (W + f) / 2, r}; break;
    case 3: z = {W - f, 0, W, r}; break;
    case 4: z = {0, (H - r) / 2, f, (H + r) / 2}; break;
    case 5: z = {(W - f) / 2, (H - r) / 2, (W + f) / 2, (H + r) / 2}; break;
    case 6: z = {W - f, (H - r) / 2, W, (H + r) / 2}; break;
    case 7: z = {0, H - r, f, H}; break;
    case 8: z = {(W - f) / 2, H - r, (W + f) / 2, H}; break;
    case 9: z = {W - f, H - r, W, H}; break;
    default: return {};
  }
  if (shrink) {
    z.Left += f / 3;
    z.Right -= f / 3;
    z.Top += r / 3;
    z.Bottom -= r / 3;
  }
  return z;
}

Rect SquareAround(int x, int y, int halfSize) {
  return {x - halfSize, y - halfSize, x + halfSize, y + halfSize};
}

Bitmap CopyRectBitmap(const Bitmap& bitmap, const Rect& rect) {
  const int w = std::max(0, rect.Width());
  const int h = std::max(0, rect.Height());
  Bitmap copy(w, h);  // black: pixels outside the source stay black
  // Only the part of rect that lies inside the source is copied.
  const int x0 = std::max(rect.Left, 0);
  const int x1 = std::min(rect.Right, bitmap.Width());
  const int y0 = std::max(rect.Top, 0);
  const int y1 = std::min(rect.Bottom, bitmap.Height());
  if (x0 >= x1 || y0 >= y1) return copy;
  const size_t bytes = static_cast<size_t>(x1 - x0) * Bitmap::kBytesPerPixel;
  for (int y = y0; y < y1; ++y) {
    std::memcpy(copy.Pixel(x0 - rect.Left, y - rect.Top), bitmap.Pixel(x0, y), bytes);
  }
  return copy;
}
