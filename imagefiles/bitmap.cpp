#include "bitmap.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {
size_t StrideFor(int width) {
  // Rows are padded to 4 bytes, like device-independent bitmaps, so a
  // toolkit image can wrap them without a copy.
  return (static_cast<size_t>(width) * Bitmap::kBytesPerPixel + 3) & ~size_t{3};
}
}  // namespace

bool Bitmap::SizeAllowed(int64_t width, int64_t height) {
  return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxPixels;
}

Bitmap::Bitmap(int width, int height, uint8_t fill) {
  if (!SizeAllowed(width, height)) throw std::length_error("bitmap size out of range");
  width_ = width;
  height_ = height;
  stride_ = StrideFor(width);
  data_.assign(stride_ * static_cast<size_t>(height), fill);
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this == &other) return *this;
  // A fresh block of a camera frame's size costs more in mapping its pages
  // than in the copy, and frames are copied over frames at the live rate.
  if (data_.size() == other.data_.size()) {
    std::copy(other.data_.begin(), other.data_.end(), data_.begin());
    width_ = other.width_;
    height_ = other.height_;
    stride_ = other.stride_;
    return *this;
  }
  *this = Bitmap(other);
  return *this;
}

std::optional<Bitmap> Bitmap::TryCreate(int width, int height, uint8_t fill) {
  if (!SizeAllowed(width, height)) return std::nullopt;
  try {
    return Bitmap(width, height, fill);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

void Bitmap::Fill(uint8_t blue, uint8_t green, uint8_t red) {
  if (Empty()) return;
  uint8_t* first = Row(0);
  for (int x = 0; x < width_; ++x) {
    first[3 * x] = blue;
    first[3 * x + 1] = green;
    first[3 * x + 2] = red;
  }
  for (int y = 1; y < height_; ++y) std::memcpy(Row(y), first, stride_);
}

void Bitmap::CropInPlace(const Rect& rect) {
  assert(rect.Left >= 0 && rect.Top >= 0 && rect.Right <= width_ && rect.Bottom <= height_);
  if (rect.IsEmpty()) {
    *this = Bitmap();
    return;
  }
  const size_t newStride = StrideFor(rect.Width());
  const size_t rowBytes = static_cast<size_t>(rect.Width()) * kBytesPerPixel;
  // Row y moves from at or after its new place, so copying top-down never
  // overwrites a row still to be moved.
  for (int y = 0; y < rect.Height(); ++y) {
    std::memmove(data_.data() + static_cast<size_t>(y) * newStride, Pixel(rect.Left, rect.Top + y),
                 rowBytes);
  }
  width_ = rect.Width();
  height_ = rect.Height();
  stride_ = newStride;
  data_.resize(newStride * static_cast<size_t>(height_));
}

bool operator==(const Bitmap& a, const Bitmap& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_) return false;
  const size_t rowBytes = static_cast<size_t>(a.width_) * Bitmap::kBytesPerPixel;
  for (int y = 0; y < a.height_; ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), rowBytes) != 0) return false;
  }
  return true;
}

RowTable ScanRows(Bitmap& bitmap) {
  RowTable table;
  table.Width = bitmap.Width();
  table.Height = bitmap.Height();
  table.Rows.resize(static_cast<size_t>(std::max(0, table.Height)));
  for (int y = 0; y < table.Height; ++y) table.Rows[y] = bitmap.Row(y);
  return table;
}

ConstRowTable ScanRows(const Bitmap& bitmap) {
  ConstRowTable table;
  table.Width = bitmap.Width();
  table.Height = bitmap.Height();
  table.Rows.resize(static_cast<size_t>(std::max(0, table.Height)));
  for (int y = 0; y < table.Height; ++y) table.Rows[y] = bitmap.Row(y);
  return table;
}
