#include "imagefiles/pngwriter.h"

#include <isa-l/igzip_lib.h>
#include <png.h>
#include <zlib.h>

#include <QIODevice>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <thread>
#include <vector>

namespace {

// Rows are compressed in bands of about this many bytes, each on its own
// thread; the band size depends only on the width, so the file's bytes do
// not depend on how many threads ran.
constexpr size_t kBandBytes = size_t{4} << 20;
constexpr unsigned kMostThreads = 4;

// One band of rows, filtered and compressed as a piece of one zlib stream.
struct Band {
  int Top = 0, Rows = 0;
  uint8_t* Out = nullptr;  // room for the compressed band, reused wave after wave
  size_t Room = 0, Size = 0;
  uLong Adler = 1;
  bool Ok = false;
};

// A row is its filter byte (3: each byte less the mean of the same colour's
// bytes to its left and above) and the differences, red-green-blue. The mean
// takes a few per cent off the file against the left byte alone, at no cost
// the compressor notices. above is null for the picture's first row.
void FilterRow(const uint8_t* bgr, const uint8_t* above, size_t rowBytes, uint8_t* out) {
  *out++ = 3;
  if (above == nullptr) {
    out[0] = bgr[2];
    out[1] = bgr[1];
    out[2] = bgr[0];
    for (size_t x = 3; x < rowBytes; x += 3) {
      out[x] = static_cast<uint8_t>(bgr[x + 2] - (bgr[x - 1] >> 1));
      out[x + 1] = static_cast<uint8_t>(bgr[x + 1] - (bgr[x - 2] >> 1));
      out[x + 2] = static_cast<uint8_t>(bgr[x] - (bgr[x - 3] >> 1));
    }
    return;
  }
  out[0] = static_cast<uint8_t>(bgr[2] - (above[2] >> 1));
  out[1] = static_cast<uint8_t>(bgr[1] - (above[1] >> 1));
  out[2] = static_cast<uint8_t>(bgr[0] - (above[0] >> 1));
  for (size_t x = 3; x < rowBytes; x += 3) {
    out[x] = static_cast<uint8_t>(bgr[x + 2] - ((bgr[x - 1] + above[x + 2]) >> 1));
    out[x + 1] = static_cast<uint8_t>(bgr[x + 1] - ((bgr[x - 2] + above[x + 1]) >> 1));
    out[x + 2] = static_cast<uint8_t>(bgr[x] - ((bgr[x - 3] + above[x]) >> 1));
  }
}

// Rows go to the compressor this many bytes at a time, so that what was just
// filtered is still in the cache when it is read again.
constexpr size_t kChunkBytes = size_t{256} << 10;

// The fastest level that still builds a code for each block: three times the
// speed of zlib's fastest for the same size. A band ends on a byte boundary
// (a sync flush) so the next one's code follows it directly.
void CompressBand(const Bitmap& bitmap, Band& band, bool last) {
  try {
    const size_t rowBytes = static_cast<size_t>(bitmap.Width()) * 3;
    const int chunkRows = static_cast<int>(std::max<size_t>(1, kChunkBytes / (rowBytes + 1)));
    std::vector<uint8_t> rows((rowBytes + 1) * static_cast<size_t>(chunkRows));
    std::vector<uint8_t> level(ISAL_DEF_LVL1_DEFAULT);
    isal_zstream z;
    isal_deflate_init(&z);
    z.level = 1;
    z.level_buf = level.data();
    z.level_buf_size = static_cast<uint32_t>(level.size());
    z.next_out = band.Out;
    z.avail_out = static_cast<uint32_t>(band.Room);
    bool ok = true;
    for (int y = band.Top; y < band.Top + band.Rows && ok;) {
      const int n = std::min(chunkRows, band.Top + band.Rows - y);
      for (int i = 0; i < n; ++i, ++y)
        FilterRow(bitmap.Row(y), y > 0 ? bitmap.Row(y - 1) : nullptr, rowBytes,
                  rows.data() + static_cast<size_t>(i) * (rowBytes + 1));
      const auto size = static_cast<uint32_t>(static_cast<size_t>(n) * (rowBytes + 1));
      band.Adler = isal_adler32(static_cast<uint32_t>(band.Adler), rows.data(), size);
      z.next_in = rows.data();
      z.avail_in = size;
      const bool end = y == band.Top + band.Rows;
      z.end_of_stream = end && last ? 1 : 0;
      z.flush = end && !last ? SYNC_FLUSH : NO_FLUSH;
      ok = isal_deflate(&z) == COMP_OK && z.avail_in == 0 && z.avail_out > 0;
    }
    const isal_zstate_state done = last ? ZSTATE_END : ZSTATE_NEW_HDR;
    band.Ok = ok && z.internal_state.state == done;
    band.Size = z.total_out;
  } catch (const std::bad_alloc&) {
    band.Ok = false;
  }
}

// Compresses bands [first, first + count), each taken by whichever thread is
// free next, this one included: a thread the machine does not run holds up
// only its one band. Threads that cannot start leave the work to the others.
void CompressWave(const Bitmap& bitmap, std::vector<Band>& bands, size_t first, size_t count,
                  unsigned threads) {
  std::atomic<size_t> next{first};
  const auto work = [&] {
    for (size_t i = next++; i < first + count; i = next++)
      CompressBand(bitmap, bands[i], i + 1 == bands.size());
  };
  std::vector<std::thread> helpers;
  helpers.reserve(threads);
  for (unsigned t = 1; t < threads && t < count; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::exception&) {
      break;
    }
  }
  work();
  for (std::thread& t : helpers) t.join();
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
  std::vector<std::vector<uint8_t>>* Rooms;  // one for each band of a wave
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
  const size_t wave = e.Rooms->size();
  for (size_t first = 0; first < bands.size(); first += wave) {
    const size_t count = std::min(wave, bands.size() - first);
    for (size_t i = 0; i < count; ++i) {
      bands[first + i].Out = (*e.Rooms)[i].data();
      bands[first + i].Room = (*e.Rooms)[i].size();
    }
    CompressWave(bitmap, bands, first, count, e.Threads);
    for (size_t i = first; i < first + count; ++i) {
      Band& band = bands[i];
      if (!band.Ok) return false;
      const auto length =
          static_cast<uLong>(band.Rows) * (static_cast<uLong>(bitmap.Width()) * 3 + 1);
      adler = adler32_combine(adler, band.Adler, static_cast<z_off_t>(length));
      png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), band.Out, band.Size);
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
    bands.push_back({top, std::min(bandRows, bitmap.Height() - top), nullptr, 0, 0, 1, false});
  if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMostThreads);
  // Two bands a thread at a time; their pieces wait here to be written in order.
  // More than the stored blocks the compressor falls back to, and the flush.
  const size_t bandBytes = rowBytes * static_cast<size_t>(bandRows);
  const size_t room = bandBytes + (bandBytes >> 12) + (bandBytes >> 14) + (bandBytes >> 25) + 1024;
  std::vector<std::vector<uint8_t>> rooms(std::min<size_t>(size_t{2} * threads, bands.size()));
  for (std::vector<uint8_t>& r : rooms) r.resize(room);

  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Silent);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  png_set_write_fn(png, &device, Write, Flush);
  const bool ok = Encode(png, info, {&bitmap, dotsPerInch, &bands, threads, &rooms});
  png_destroy_write_struct(&png, &info);
  return ok;
}
