// The crop rectangle common to every row and column, and the hand-over of the
// mosaic to a picture.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "engine/panoram.h"

namespace {
bool CellEmpty(const MontageTable& table, int column, int row) { return table.At(column, row) < 0; }
}  // namespace

Rect Panoram::CommonRect(const MontageTable& table) const {
  Rect r{-30000, -30000, 30000, 30000};
  for (int c = 0; c < kTableColumns; ++c) {
    for (int row = 0; row < kTableRows; ++row) {
      const int32_t k = table.At(c, row);
      if (k < 0 || k >= count_) continue;  // only cells that name an image limit the rectangle
      const Rect& p = images_[k].Place;
      // Each image limits the sides on which it has no neighbour.
      if (c == 0 || CellEmpty(table, c - 1, row)) r.Left = std::max(r.Left, p.Left);
      if (c == kTableColumns - 1 || CellEmpty(table, c + 1, row))
        r.Right = std::min(r.Right, p.Right);
      if (row == 0 || CellEmpty(table, c, row - 1)) r.Top = std::max(r.Top, p.Top);
      if (row == kTableRows - 1 || CellEmpty(table, c, row + 1))
        r.Bottom = std::min(r.Bottom, p.Bottom);
    }
  }
  if (CropImages()) {
    // A frame from a settings file may be anything: in 64 bits, then kept
    // within 32, a huge frame leaves an empty rectangle instead of wrapping.
    auto moved = [](int32_t side, int64_t by) {
      return static_cast<int32_t>(std::clamp<int64_t>(
          side + by, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    };
    const int64_t f = FrameSize();
    r = {moved(r.Left, f), moved(r.Top, f), moved(r.Right, -f), moved(r.Bottom, -f)};
  }
  return r;
}

Rect ClampCropRect(const Rect& rect, int canvasWidth, int canvasHeight) {
  const Rect whole{0, 0, std::max(canvasWidth, 0), std::max(canvasHeight, 0)};
  const Rect clamped{std::clamp(rect.Left, 0, whole.Right), std::clamp(rect.Top, 0, whole.Bottom),
                     std::clamp(rect.Right, 0, whole.Right),
                     std::clamp(rect.Bottom, 0, whole.Bottom)};
  // An empty or inverted rectangle would make an empty picture: show everything.
  return clamped.IsEmpty() ? whole : clamped;
}

bool Panoram::ShowResult(Picture& picture) const {
  if (!result_) return true;
  try {
    picture.Assign(*result_);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

bool Panoram::ShowResultPart(Picture& picture, const Rect& rect) const {
  if (!result_) return true;
  const Rect shown = ClampCropRect(rect, result_->Width(), result_->Height());
  if (shown == Rect{0, 0, result_->Width(), result_->Height()}) return ShowResult(picture);
  if (!picture.Resize(shown.Width(), shown.Height())) return false;
  ::Bitmap& target = picture.Canvas();
  if (target.Width() != shown.Width() || target.Height() != shown.Height()) return false;
  const size_t bytes = static_cast<size_t>(shown.Width()) * Bitmap::kBytesPerPixel;
  for (int y = 0; y < shown.Height(); ++y) {
    std::memcpy(target.Row(y), result_->Pixel(shown.Left, shown.Top + y), bytes);
  }
  return true;
}

::Bitmap Panoram::TakeResult(const Rect* crop) {
  if (!result_) return {};
  ::Bitmap taken = std::move(*result_);
  result_.reset();
  if (crop != nullptr) taken.CropInPlace(ClampCropRect(*crop, taken.Width(), taken.Height()));
  return taken;
}
