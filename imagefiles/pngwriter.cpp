#include "imagefiles/pngwriter.h"

#include <png.h>
#include <zlib.h>

#include <QIODevice>
#include <cmath>
#include <csetjmp>

namespace {

void Write(png_structp png, png_bytep data, size_t size) {
  auto* device = static_cast<QIODevice*>(png_get_io_ptr(png));
  if (device->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
      static_cast<qint64>(size))
    png_error(png, "write failed");
}

void Flush(png_structp) {}

// The library's words go nowhere: a failure is told by the result.
void Silent(png_structp, png_const_charp) {}

void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Only plain data lives in this frame: the library leaves it by longjmp.
bool Encode(png_structp png, png_infop info, const Bitmap& bitmap, double dotsPerInch) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()),
               static_cast<png_uint_32>(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto dotsPerMetre = static_cast<png_uint_32>(std::lround(dotsPerInch / 0.0254));
  png_set_pHYs(png, info, dotsPerMetre, dotsPerMetre, PNG_RESOLUTION_METER);
  // One cheap filter and runs of repeated bytes: most of the size of the
  // slowest settings at a small part of their time.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(png, Z_BEST_SPEED);
  png_set_compression_strategy(png, Z_RLE);
  png_write_info(png, info);
  png_set_bgr(png);  // the bitmap's rows go in as they are
  for (int y = 0; y < bitmap.Height(); ++y)
    png_write_row(png, const_cast<png_bytep>(bitmap.Row(y)));
  png_write_end(png, info);
  return true;
}

}  // namespace

bool WritePng(QIODevice& device, const Bitmap& bitmap, double dotsPerInch) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Silent);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  png_set_write_fn(png, &device, Write, Flush);
  const bool ok = Encode(png, info, bitmap, dotsPerInch);
  png_destroy_write_struct(&png, &info);
  return ok;
}
