#pragma once
// The program's 24-bit bitmap: blue, green, red per pixel, rows top-down,
// each row padded to a multiple of 4 bytes. Copies are always deep.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Rectangle in pixels; Right and Bottom are exclusive.
struct Rect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int32_t X = 0;
  int32_t Y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

class Bitmap {
 public:
  static constexpr int kBytesPerPixel = 3;
  // Largest side and pixel count we ever allocate; guards absurd layouts and files.
  static constexpr int64_t kMaxSide = 65535;
  static constexpr int64_t kMaxPixels = int64_t{25000} * 25000;

  Bitmap() = default;
  // Every byte set to fill (0: black, 255: white); throws std::bad_alloc or
  // std::length_error when the bitmap cannot exist.
  Bitmap(int width, int height, uint8_t fill = 0);

  // The same, but reports failure (absurd size or no memory) as an empty result.
  static std::optional<Bitmap> TryCreate(int width, int height, uint8_t fill = 0);

  Bitmap(const Bitmap&) = default;
  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;
  // A copy that runs out of memory leaves the target as it was, never with
  // the new size over the old pixels; one of the same byte count goes into
  // the storage already held.
  Bitmap& operator=(const Bitmap& other);
  static bool SizeAllowed(int64_t width, int64_t height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  size_t Stride() const { return stride_; }
  size_t SizeBytes() const { return data_.size(); }

  uint8_t* Row(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return data_.data() + static_cast<size_t>(y) * stride_; }
  uint8_t* Pixel(int x, int y) { return Row(y) + static_cast<size_t>(x) * kBytesPerPixel; }
  const uint8_t* Pixel(int x, int y) const {
    return Row(y) + static_cast<size_t>(x) * kBytesPerPixel;
  }
  uint8_t* Data() { return data_.data(); }
  const uint8_t* Data() const { return data_.data(); }

  void Fill(uint8_t blue, uint8_t green, uint8_t red);
  // Keeps only rect (which must lie inside), moving rows within the same
  // memory: a large picture is never held twice.
  void CropInPlace(const Rect& rect);

  friend bool operator==(const Bitmap& a, const Bitmap& b);

 private:
  int width_ = 0;
  int height_ = 0;
  size_t stride_ = 0;
  std::vector<uint8_t> data_;
};

// Intensity of one pixel: the integer mean of its three bytes.
inline int Intensity(const uint8_t* pixel) { return (pixel[0] + pixel[1] + pixel[2]) / 3; }

// Row-pointer table of a bitmap; pixels are addressed as 3 bytes each.
struct RowTable {
  std::vector<uint8_t*> Rows;
  int Width = 0;
  int Height = 0;
};

RowTable ScanRows(Bitmap& bitmap);

struct ConstRowTable {
  std::vector<const uint8_t*> Rows;
  int Width = 0;
  int Height = 0;
};

ConstRowTable ScanRows(const Bitmap& bitmap);
