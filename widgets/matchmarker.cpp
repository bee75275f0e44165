#include "widgets/matchmarker.h"

#include <algorithm>
#include <cmath>

#include "widgets/picturecontrol.h"

namespace {

// Red in blue, green, red byte order.
constexpr uint8_t kPen[3] = {0, 0, 255};
// A pen wider than this only happens for absurd scales; it keeps the band finite.
constexpr int kMaxPenWidth = 1000;

bool Inside(const Rect& r, int x, int y) {
  return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

}  // namespace

int MarkerPenWidth(double scale) {
  if (!(scale > 0.0)) return 2;  // no usable scale: as at 1:1
  const double k = scale >= 1.0 ? 0.5 : scale;
  const double width = std::floor(1.0 / k);
  return static_cast<int>(std::clamp(width, 1.0, static_cast<double>(kMaxPenWidth)));
}

MarkerBand MatchMarkerBand(int x, int y, int penWidth) {
  const int pen = std::max(1, penWidth);
  // A one-pixel outline covers columns x - 10 .. x + 9; a wider pen grows
  // around that line, its odd extra pixel going outward on the top-left.
  const Rect outer{x - kMarkerHalfSide - pen / 2, y - kMarkerHalfSide - pen / 2,
                   x + kMarkerHalfSide + (pen - 1) / 2, y + kMarkerHalfSide + (pen - 1) / 2};
  const Rect inner{outer.Left + pen, outer.Top + pen, outer.Right - pen, outer.Bottom - pen};
  return {outer, inner};
}

void DrawMatchMarker(Bitmap& picture, int x, int y, double scale) {
  if (x == 0 && y == 0) return;
  const MarkerBand band = MatchMarkerBand(x, y, MarkerPenWidth(scale));
  const int top = std::max(0, band.Outer.Top);
  const int bottom = std::min(picture.Height(), band.Outer.Bottom);
  const int left = std::max(0, band.Outer.Left);
  const int right = std::min(picture.Width(), band.Outer.Right);
  for (int row = top; row < bottom; ++row) {
    uint8_t* line = picture.Row(row);
    for (int col = left; col < right; ++col) {
      if (!band.Inner.IsEmpty() && Inside(band.Inner, col, row)) continue;
      uint8_t* pixel = line + static_cast<size_t>(col) * Bitmap::kBytesPerPixel;
      // Not-XOR: each pixel becomes the inverse of (pixel XOR pen); each is
      // touched once, so a second pass undoes the first.
      for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>(~(pixel[c] ^ kPen[c]));
    }
  }
}

void DrawMatchMarker(PictureControl& picture, int x, int y, double scale) {
  if (x == 0 && y == 0) return;
  DrawMatchMarker(picture.Canvas(), x, y, scale);
  picture.BitmapChanged();
}
