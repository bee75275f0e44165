// The canvas and the composition with seam blending.
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/placement/placement.h"
#include "engine/registration/zones.h"
#include "seams.h"

namespace {

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
  if (dx0 < 0) {
    sx0 -= dx0;
    dx0 = 0;
  }
  if (dy0 < 0) {
    sy0 -= dy0;
    dy0 = 0;
  }
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

CanvasResult Panoram::BuildCanvas() {
  result_.reset();  // the old canvas goes first: two large ones need not fit at once
  if (count_ <= 0) return {CanvasResult::TooLarge};
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
  if (!Bitmap::SizeAllowed(width, height)) return {CanvasResult::TooLarge};

  for (int i = 0; i < count_; ++i) {
    Rect& p = images_[i].Place;
    p = {p.Left - extent.Left, p.Top - extent.Top, p.Right - extent.Left, p.Bottom - extent.Top};
  }
  bounds_ = {extent.Left, extent.Top, static_cast<int32_t>(width), static_cast<int32_t>(height)};

  // Areas no image covers stay white; filled as allocated, in one pass.
  auto canvas = Bitmap::TryCreate(static_cast<int>(width), static_cast<int>(height), 255);
  if (!canvas) return {CanvasResult::OutOfMemory};
  result_ = std::move(*canvas);
  return {CanvasResult::Built};
}

namespace {

// One overlap of an image after mixing: the canvas region as the seam method
// left it, and where it lies in the image's own pixel coordinates.
struct MixedOverlap {
  Rect Local;
  ::Bitmap Mixed;
};

// The overlaps of image `index` with every earlier image, in index order, on the canvas.
std::vector<Rect> OverlapsOf(const Panoram& p, int index, int32_t shrinkBy) {
  std::vector<Rect> areas;
  const Rect a = Shrunk(p.Place(index), shrinkBy);
  for (int i = 0; i < index; ++i) {
    const Intersection c = IntersectRects(a, Shrunk(p.Place(i), shrinkBy));
    if (c.Present) areas.push_back(c.Area);
  }
  return areas;
}

int64_t TotalArea(const std::vector<Rect>& areas) {
  int64_t total = 0;
  for (const Rect& c : areas) total += int64_t{c.Width()} * c.Height();
  return total;
}

// A copy of rect of bitmap: whole rows at once when rect lies inside it.
::Bitmap CopyRegion(const ::Bitmap& bitmap, const Rect& rect) {
  const bool inside = rect.Left >= 0 && rect.Top >= 0 && rect.Right <= bitmap.Width() &&
                      rect.Bottom <= bitmap.Height() && !rect.IsEmpty();
  if (!inside) return CopyRectBitmap(bitmap, rect);  // reads black outside
  ::Bitmap out(rect.Width(), rect.Height());
  CopyClipped(bitmap, rect, out, 0, 0);
  return out;
}

MixedOverlap MixOverlap(const Panoram& p, int index, SeamMethod blend, const Rect& a,
                        const Rect& c) {
  const Rect& place = p.Place(index);
  const WeightMap weights = SeamWeights(a, c);
  const Rect local = {c.Left - place.Left, c.Top - place.Top, c.Right - place.Left,
                      c.Bottom - place.Top};
  const ::Bitmap n = CopyRegion(p.ImageBitmap(index), local);
  ::Bitmap r = CopyRegion(*p.Result(), c);
  blend(r, n, weights);
  return {local, std::move(r)};
}

// Mixes the overlaps and hands them to sink in index order. Every mix reads
// only the canvas (unchanged meanwhile) and the image, so a batch of them runs
// on several threads; batches keep at most one per thread alive at once.
template <typename Sink>
void MixOverlaps(const Panoram& p, int index, SeamMethod blend, int32_t shrinkBy,
                 const std::vector<Rect>& areas, const Sink& sink) {
  const Rect a = Shrunk(p.Place(index), shrinkBy);
  const int batch = std::max(1, EngineThreads());
  for (size_t first = 0; first < areas.size(); first += static_cast<size_t>(batch)) {
    const int count = static_cast<int>(std::min(areas.size() - first, static_cast<size_t>(batch)));
    std::vector<MixedOverlap> mixed(static_cast<size_t>(count));
    ParallelFor(count, 1, [&](int begin, int end) {
      for (int j = begin; j < end; ++j) mixed[j] = MixOverlap(p, index, blend, a, areas[first + j]);
    });
    for (MixedOverlap& m : mixed) sink(m);
  }
}

// Draws part (in the image's coordinates) of a mixed overlap onto the canvas
// for an image whose bitmap's pixel (0, 0) lands at origin.
void DrawMixed(const MixedOverlap& m, const Rect& part, ::Bitmap& canvas, int64_t originX,
               int64_t originY) {
  const Rect clipped = {std::max(part.Left, m.Local.Left), std::max(part.Top, m.Local.Top),
                        std::min(part.Right, m.Local.Right), std::min(part.Bottom, m.Local.Bottom)};
  if (clipped.IsEmpty()) return;
  const Rect inMixed = {clipped.Left - m.Local.Left, clipped.Top - m.Local.Top,
                        clipped.Right - m.Local.Left, clipped.Bottom - m.Local.Top};
  CopyClipped(m.Mixed, inMixed, canvas, originX + clipped.Left, originY + clipped.Top);
}

}  // namespace

bool Panoram::Compose(bool smoothing) {
  if (!result_) return true;
  try {
    ComposeImages(smoothing);
    return true;
  } catch (const std::bad_alloc&) {
    result_.reset();  // a half-composed mosaic must not look finished
    return false;
  }
}

void Panoram::ComposeImages(bool smoothing) {
  const int32_t f = CropImages() ? FrameSize() : 0;
  const SeamMethod blend = smoothing ? SeamMethodFor(BlendMode()) : nullptr;
  for (int i = 0; i < count_; ++i) {
    const PanImage& image = images_[i];
    const int w = image.Bitmap.Width();
    const int h = image.Bitmap.Height();
    // The source rectangle is drawn f pixels in from the place; later images cover earlier ones.
    const Rect source = Shrunk({0, 0, w, h}, f);
    const int64_t x0 = image.Place.Left;
    const int64_t y0 = image.Place.Top;
    const std::vector<Rect> areas = (blend != nullptr && i > 0)
                                        ? OverlapsOf(*this, i, CropImages() ? FrameSize() : 0)
                                        : std::vector<Rect>{};
    if (areas.empty()) {
      if (!source.IsEmpty()) CopyClipped(image.Bitmap, source, *result_, x0 + f, y0 + f);
      continue;
    }
    if (TotalArea(areas) > int64_t{w} * h) {
      // Overlaps piled on each other: a working copy costs less than keeping them all.
      ::Bitmap working = image.Bitmap;
      BlendOverlaps(i, BlendMode(), working, CropImages());
      if (!source.IsEmpty()) CopyClipped(working, source, *result_, x0 + f, y0 + f);
      continue;
    }
    // The mixes read the canvas as it was before this image, so all are made
    // first; then the image goes on straight and the mixes over it, later ones last.
    std::vector<MixedOverlap> mixed;
    MixOverlaps(*this, i, blend, CropImages() ? FrameSize() : 0, areas,
                [&](MixedOverlap& m) { mixed.push_back(std::move(m)); });
    if (source.IsEmpty()) continue;
    CopyClipped(image.Bitmap, source, *result_, x0 + f, y0 + f);
    // Only what lies in the image's own bitmap and its source rectangle gets drawn.
    const Rect drawn = IntersectRects(source, {0, 0, w, h}).Area;
    for (const MixedOverlap& m : mixed) DrawMixed(m, drawn, *result_, x0, y0);
  }
}

void Panoram::BlendOverlaps(int index, int method, ::Bitmap& workingCopy, bool crop) const {
  const SeamMethod blend = SeamMethodFor(method);
  if (index <= 0 || index >= count_ || blend == nullptr || !result_) return;
  const int32_t by = crop ? FrameSize() : 0;
  // Where earlier images overlap each other here, the mix for the later one wins.
  MixOverlaps(*this, index, blend, by, OverlapsOf(*this, index, by), [&](MixedOverlap& m) {
    CopyClipped(m.Mixed, {0, 0, m.Mixed.Width(), m.Mixed.Height()}, workingCopy, m.Local.Left,
                m.Local.Top);
  });
}
