// Placement of the chain, the canvas and the composition with seam blending.
#include <algorithm>
#include <cstring>
#include <limits>

#include "matching.h"
#include "panoram.h"
#include "seams.h"

namespace {

// Places beyond this are absurd; keeping sums inside it keeps int32 arithmetic safe.
constexpr int64_t kPlaceLimit = int64_t{1} << 30;

int32_t ClampPlace(int64_t value) {
  return static_cast<int32_t>(std::clamp(value, -kPlaceLimit, kPlaceLimit));
}

Rect Shrunk(const Rect& r, int32_t by) {
  return {ClampPlace(int64_t{r.Left} + by), ClampPlace(int64_t{r.Top} + by),
          ClampPlace(int64_t{r.Right} - by), ClampPlace(int64_t{r.Bottom} - by)};
}

// Copies src rectangle of source to (dstLeft, dstTop) of target, pixel for
// pixel; whatever falls outside either bitmap is skipped.
void CopyClipped(const Bitmap& source, Rect src, Bitmap& target, int64_t dstLeft, int64_t dstTop) {
  int64_t sx0 = std::max<int64_t>(src.Left, 0);
  int64_t sy0 = std::max<int64_t>(src.Top, 0);
  int64_t sx1 = std::min<int64_t>(src.Right, source.Width());
  int64_t sy1 = std::min<int64_t>(src.Bottom, source.Height());
  // Move the destination along with any trimmed source edge.
  int64_t dx0 = dstLeft + (sx0 - src.Left);
  int64_t dy0 = dstTop + (sy0 - src.Top);
  if (dx0 < 0) { sx0 -= dx0; dx0 = 0; }
  if (dy0 < 0) { sy0 -= dy0; dy0 = 0; }
  sx1 = std::min<int64_t>(sx1, sx0 + (target.Width() - dx0));
  sy1 = std::min<int64_t>(sy1, sy0 + (target.Height() - dy0));
  if (sx0 >= sx1 || sy0 >= sy1) return;
  const size_t bytes = static_cast<size_t>(sx1 - sx0) * Bitmap::kBytesPerPixel;
  for (int64_t y = sy0; y < sy1; ++y) {
    std::memcpy(target.Pixel(static_cast<int>(dx0), static_cast<int>(dy0 + y - sy0)),
                source.Pixel(static_cast<int>(sx0), static_cast<int>(y)), bytes);
  }
}

}  // namespace

void Panoram::PlaceChain() {
  // Each image hangs on its predecessor only; errors add up along the chain.
  for (int i = 1; i < count_; ++i) {
    const PanImage& prev = images_[i - 1];
    PanImage& cur = images_[i];
    const int32_t dx = ClampPlace(int64_t{prev.Place.Left} + prev.LinkOut.X - cur.LinkIn.X);
    const int32_t dy = ClampPlace(int64_t{prev.Place.Top} + prev.LinkOut.Y - cur.LinkIn.Y);
    cur.Place.Left = dx;
    cur.Place.Top = dy;
    cur.Place.Right = ClampPlace(int64_t{cur.Place.Right} + dx);
    cur.Place.Bottom = ClampPlace(int64_t{cur.Place.Bottom} + dy);
  }
}

bool Panoram::BuildCanvas() {
  result_.reset();  // the old canvas goes first: two large ones need not fit at once
  if (count_ <= 0) return false;
  Rect extent = images_[0].Place;
  for (int i = 1; i < count_; ++i) {
    const Rect& p = images_[i].Place;
    extent.Left = std::min(extent.Left, p.Left);
    extent.Top = std::min(extent.Top, p.Top);
    extent.Right = std::max(extent.Right, p.Right);
    extent.Bottom = std::max(extent.Bottom, p.Bottom);
  }
  const int64_t width = int64_t{extent.Right} - extent.Left;
  const int64_t height = int64_t{extent.Bottom} - extent.Top;
  if (!Bitmap::SizeAllowed(width, height)) return false;

  for (int i = 0; i < count_; ++i) {
    Rect& p = images_[i].Place;
    p = {p.Left - extent.Left, p.Top - extent.Top, p.Right - extent.Left, p.Bottom - extent.Top};
  }
  bounds_ = {extent.Left, extent.Top, static_cast<int32_t>(width), static_cast<int32_t>(height)};

  auto canvas = Bitmap::TryCreate(static_cast<int>(width), static_cast<int>(height));
  if (!canvas) return false;
  canvas->Fill(255, 255, 255);  // areas no image covers stay white
  result_ = std::move(*canvas);
  return true;
}

void Panoram::Compose(bool smoothing) {
  if (!result_) return;
  const int32_t f = cropImages_ ? frameSize_ : 0;
  for (int i = 0; i < count_; ++i) {
    const PanImage& image = images_[i];
    ::Bitmap working = image.Bitmap;
    const int w = working.Width();
    const int h = working.Height();
    if (smoothing) BlendOverlaps(i, blendMode_, working, cropImages_);
    // The source rectangle is drawn f pixels in from the place; later images cover earlier ones.
    const Rect source = Shrunk({0, 0, w, h}, f);
    if (source.IsEmpty()) continue;
    CopyClipped(working, source, *result_, int64_t{image.Place.Left} + f,
                int64_t{image.Place.Top} + f);
  }
}

void Panoram::BlendOverlaps(int index, int method, ::Bitmap& workingCopy, bool crop) const {
  const SeamMethod blend = SeamMethodFor(method);
  if (index <= 0 || index >= count_ || blend == nullptr || !result_) return;
  const PanImage& image = images_[index];
  const int32_t by = crop ? frameSize_ : 0;
  const Rect a = Shrunk(image.Place, by);
  for (int i = 0; i < index; ++i) {
    const Intersection c = IntersectRects(a, Shrunk(images_[i].Place, by));
    if (!c.Present) continue;
    const WeightMap weights = SeamWeights(a, c.Area);
    // The overlap in the pixel coordinates of this image's bitmap.
    const Rect local = {c.Area.Left - image.Place.Left, c.Area.Top - image.Place.Top,
                        c.Area.Right - image.Place.Left, c.Area.Bottom - image.Place.Top};
    const ::Bitmap n = CopyRectBitmap(image.Bitmap, local);
    ::Bitmap r = CopyRectBitmap(*result_, c.Area);
    blend(r, n, weights);
    // Where earlier images overlap each other here, the mix for the later one wins.
    CopyClipped(r, {0, 0, r.Width(), r.Height()}, workingCopy, local.Left, local.Top);
  }
}
