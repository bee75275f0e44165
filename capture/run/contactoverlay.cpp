#include "capture/run/contactoverlay.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr int kDensityMax = 16;

// Product of a pixel count and the float k, formed in double and truncated.
int ScaledSide(int side, float k) { return static_cast<int>(static_cast<double>(side) * k); }

// Half-open range of live coordinates the strip covers along one axis: the
// previous frame's pixels shifted by d that stay inside the previous frame's
// own extent, clipped to the live picture's extent.
struct Span {
  int Begin = 0;
  int End = 0;
};

Span StripSpan(int previousSide, int liveSide, int d) {
  Span span{d > 0 ? d : 0, d > 0 ? previousSide : previousSide + d};
  // A live picture smaller than the previous frame (a device that changed
  // its format) gets only the part of the strip that lies inside it.
  span.End = std::min(span.End, liveSide);
  span.Begin = std::max(span.Begin, 0);
  return span;
}

// One row of the strip. The weights a/16 and 1 - a/16 are exact in float and
// the weighted sum is exact in double, so trunc(L * a/16 + p * (16 - a)/16)
// equals (L * a + p * (16 - a)) / 16 in integers: the same bytes, no floats.
void BlendRow(uint8_t* live, const uint8_t* previous, size_t bytes, unsigned liveWeight,
              uint8_t invert) {
  const unsigned previousWeight = kDensityMax - liveWeight;
  for (size_t i = 0; i < bytes; ++i) {
    const unsigned p = static_cast<uint8_t>(previous[i] ^ invert);
    live[i] = static_cast<uint8_t>((live[i] * liveWeight + p * previousWeight) >> 4);
  }
}

}  // namespace

OverlayOffset OverlayShift(int zonePct, int width, int height, int directionCode) {
  const int zone = std::clamp(zonePct, 0, 100);
  // k is kept as a 32-bit float on purpose: zone 30 gives 0.699999988 and a
  // width of 640 a shift of 447, not 448.
  const auto k = static_cast<float>((100 - zone) * 0.01);
  switch (directionCode) {
    case 1: return {-ScaledSide(width, k), 0};
    case 2: return {0, -ScaledSide(height, k)};
    case 3: return {ScaledSide(width, k), 0};
    case 4: return {0, ScaledSide(height, k)};
    default: return {};
  }
}

void BlendContactZone(Bitmap& live, const Bitmap& previous, int density, bool negative, int dx,
                      int dy) {
  const Span columns = StripSpan(previous.Width(), live.Width(), dx);
  const Span rows = StripSpan(previous.Height(), live.Height(), dy);
  if (columns.End <= columns.Begin || rows.End <= rows.Begin) return;
  const auto weight = static_cast<unsigned>(std::clamp(density, 1, kDensityMax));
  const uint8_t invert = negative ? 0xFF : 0x00;  // 255 - p for a byte
  const size_t bytes = static_cast<size_t>(columns.End - columns.Begin) * Bitmap::kBytesPerPixel;
  const size_t liveOffset = static_cast<size_t>(columns.Begin) * Bitmap::kBytesPerPixel;
  const size_t previousOffset = static_cast<size_t>(columns.Begin - dx) * Bitmap::kBytesPerPixel;
  for (int y = rows.Begin; y < rows.End; ++y) {
    BlendRow(live.Row(y) + liveOffset, previous.Row(y - dy) + previousOffset, bytes, weight,
             invert);
  }
}

bool RefreshOverlay(Bitmap& live, const Bitmap* overlayFrame, const Bitmap& lastFrame,
                    const OverlayOptions& options, int zonePct, int directionCode) {
  if (overlayFrame == nullptr || !options.Shown) return false;
  if (directionCode < 1 || directionCode > 4) return false;
  const OverlayOffset shift =
      OverlayShift(zonePct, overlayFrame->Width(), overlayFrame->Height(), directionCode);
  BlendContactZone(live, lastFrame, options.Density, options.Negative, shift.Dx, shift.Dy);
  return true;
}
