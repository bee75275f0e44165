#include "imagefiles/pngwriter.h"

#include <png.h>
#include <zlib.h>

#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <string>
#include <thread>
#include <vector>

namespace {

// Rows are compressed in bands of about this many bytes, each on its own
// thread; the band size depends only on the width, so the file's bytes do
// not depend on how many threads ran.
constexpr size_t kBandBytes = size_t{4} << 20;
constexpr unsigned kMostThreads = 8;

// One band of rows, filtered and compressed as a piece of one zlib stream.
struct Band {
  int Top = 0, Rows = 0;
  std::string Deflated;
  uLong Adler = 1;
  bool Ok = false;
};

// Each row is its filter byte (1: each byte less the same colour's byte to its
// left) and the differences, red-green-blue.
void FilterRows(const Bitmap& bitmap, const Band& band, std::vector<Bytef>& out) {
  const size_t rowBytes = static_cast<size_t>(bitmap.Width()) * 3;
  out.resize((rowBytes + 1) * static_cast<size_t>(band.Rows));
  Bytef* dst = out.data();
  for (int y = band.Top; y < band.Top + band.Rows; ++y) {
    const uint8_t* bgr = bitmap.Row(y);
    *dst++ = 1;
    uint8_t left[3] = {0, 0, 0};
    for (size_t x = 0; x < rowBytes; x += 3) {
      const uint8_t rgb[3] = {bgr[x + 2], bgr[x + 1], bgr[x]};
      for (int c = 0; c < 3; ++c) {
        *dst++ = static_cast<Bytef>(rgb[c] - left[c]);
        left[c] = rgb[c];
      }
    }
  }
}

// Runs of repeated bytes only, at the fastest level: most of the size of the
// slowest settings at a small part of their time. A band ends on a byte
// boundary (a sync flush) so the next one's code follows it directly.
void CompressBand(const Bitmap& bitmap, Band& band, bool last) {
  try {
    std::vector<Bytef> filtered;
    FilterRows(bitmap, band, filtered);
    band.Adler = adler32(1, filtered.data(), static_cast<uInt>(filtered.size()));
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -15, 9, Z_RLE) != Z_OK) return;
    band.Deflated.resize(deflateBound(&z, static_cast<uLong>(filtered.size())) + 16);
    z.next_in = filtered.data();
    z.avail_in = static_cast<uInt>(filtered.size());
    z.next_out = reinterpret_cast<Bytef*>(band.Deflated.data());
    z.avail_out = static_cast<uInt>(band.Deflated.size());
    const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    band.Ok =
        (last ? result == Z_STREAM_END : result == Z_OK && z.avail_out > 0) && z.avail_in == 0;
    band.Deflated.resize(z.total_out);
    deflateEnd(&z);
  } catch (const std::bad_alloc&) {
    band.Ok = false;
  }
}

// Compresses bands [first, first + count) at once, on as many threads as
// start; the ones that cannot start run here.
void CompressWave(const Bitmap& bitmap, std::vector<Band>& bands, size_t first, size_t count) {
  std::vector<std::thread> threads;
  threads.reserve(count);
  size_t here = first + count;
  for (size_t i = first + 1; i < first + count; ++i) {
    try {
      threads.emplace_back(CompressBand, std::cref(bitmap), std::ref(bands[i]),
                           i + 1 == bands.size());
    } catch (const std::exception&) {  // no thread (limits, memory): the rest run here
      here = i;
      break;
    }
  }
  CompressBand(bitmap, bands[first], first + 1 == bands.size());
  for (size_t i = here; i < first + count; ++i)
    CompressBand(bitmap, bands[i], i + 1 == bands.size());
  for (std::thread& t : threads) t.join();
}

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

struct Encoding {
  const Bitmap* Picture;
  double DotsPerInch;
  std::vector<Band>* Bands;
  unsigned Threads;
};

// The library writes the signature and the chunks; the image data is one
// zlib stream made of the bands' pieces. Only plain data lives in this frame:
// the library leaves it by longjmp.
bool Encode(png_structp png, png_infop info, const Encoding& e) {
  if (setjmp(png_jmpbuf(png))) return false;
  const Bitmap& bitmap = *e.Picture;
  std::vector<Band>& bands = *e.Bands;
  png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()),
               static_cast<png_uint_32>(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const auto dotsPerMetre = static_cast<png_uint_32>(std::lround(e.DotsPerInch / 0.0254));
  png_set_pHYs(png, info, dotsPerMetre, dotsPerMetre, PNG_RESOLUTION_METER);
  png_write_info(png, info);
  const png_byte header[2] = {0x78, 0x01};  // deflate, 32 KiB window, fastest level
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), header, 2);
  uLong adler = 1;
  for (size_t first = 0; first < bands.size(); first += e.Threads) {
    const size_t count = std::min<size_t>(e.Threads, bands.size() - first);
    CompressWave(bitmap, bands, first, count);
    for (size_t i = first; i < first + count; ++i) {
      Band& band = bands[i];
      if (!band.Ok) return false;
      const auto length =
          static_cast<uLong>(band.Rows) * (static_cast<uLong>(bitmap.Width()) * 3 + 1);
      adler = adler32_combine(adler, band.Adler, static_cast<z_off_t>(length));
      png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"),
                      reinterpret_cast<png_const_bytep>(band.Deflated.data()),
                      band.Deflated.size());
      std::string().swap(band.Deflated);
    }
  }
  const png_byte trailer[4] = {static_cast<png_byte>(adler >> 24),
                               static_cast<png_byte>(adler >> 16),
                               static_cast<png_byte>(adler >> 8), static_cast<png_byte>(adler)};
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), trailer, 4);
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  return true;
}

}  // namespace

bool WritePng(QIODevice& device, const Bitmap& bitmap, double dotsPerInch, unsigned threads) {
  const size_t rowBytes = static_cast<size_t>(bitmap.Width()) * 3 + 1;
  const int bandRows = static_cast<int>(std::max<size_t>(1, kBandBytes / rowBytes));
  std::vector<Band> bands;
  for (int top = 0; top < bitmap.Height(); top += bandRows)
    bands.push_back({top, std::min(bandRows, bitmap.Height() - top), {}, 1, false});
  if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Silent);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  png_set_write_fn(png, &device, Write, Flush);
  const bool ok = Encode(png, info, {&bitmap, dotsPerInch, &bands, threads});
  png_destroy_write_struct(&png, &info);
  return ok;
}
