// The crop rectangle common to every row and column, and the hand-over of the
// mosaic to a picture.
#include <algorithm>
#include <cstring>

#include "panoram.h"

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
      if (c == kTableColumns - 1 || CellEmpty(table, c + 1, row)) r.Right = std::min(r.Right, p.Right);
      if (row == 0 || CellEmpty(table, c, row - 1)) r.Top = std::max(r.Top, p.Top);
      if (row == kTableRows - 1 || CellEmpty(table, c, row + 1)) r.Bottom = std::min(r.Bottom, p.Bottom);
    }
  }
  if (cropImages_) {
    r.Left += frameSize_;
    r.Top += frameSize_;
    r.Right -= frameSize_;
    r.Bottom -= frameSize_;
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

void Panoram::ShowResult(Picture& picture) const {
  if (result_) picture.Assign(*result_);
}

void Panoram::ShowResultPart(Picture& picture, const Rect& rect) const {
  if (!result_) return;
  const Rect shown = ClampCropRect(rect, result_->Width(), result_->Height());
  if (shown == Rect{0, 0, result_->Width(), result_->Height()}) {
    picture.Assign(*result_);
    return;
  }
  if (!picture.Resize(shown.Width(), shown.Height())) return;
  ::Bitmap& target = picture.Canvas();
  if (target.Width() != shown.Width() || target.Height() != shown.Height()) return;
  const size_t bytes = static_cast<size_t>(shown.Width()) * Bitmap::kBytesPerPixel;
  for (int y = 0; y < shown.Height(); ++y) {
    std::memcpy(target.Row(y), result_->Pixel(shown.Left, shown.Top + y), bytes);
  }
}
