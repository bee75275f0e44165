#include "imagefiles/tiffwriter.h"

#include <tiffio.h>

#include <QIODevice>
#include <vector>

namespace {

tsize_t Read(thandle_t device, tdata_t data, tsize_t size) {
  return static_cast<tsize_t>(
      static_cast<QIODevice*>(device)->read(static_cast<char*>(data), size));
}

tsize_t Write(thandle_t device, tdata_t data, tsize_t size) {
  return static_cast<tsize_t>(
      static_cast<QIODevice*>(device)->write(static_cast<const char*>(data), size));
}

toff_t Seek(thandle_t device, toff_t offset, int whence) {
  auto* io = static_cast<QIODevice*>(device);
  qint64 target = static_cast<qint64>(offset);
  if (whence == SEEK_CUR) target += io->pos();
  if (whence == SEEK_END) target += io->size();
  return io->seek(target) ? static_cast<toff_t>(target) : static_cast<toff_t>(-1);
}

int Close(thandle_t) { return 0; }

toff_t Size(thandle_t device) {
  return static_cast<toff_t>(static_cast<QIODevice*>(device)->size());
}

int Map(thandle_t, tdata_t*, toff_t*) { return 0; }
void Unmap(thandle_t, tdata_t, toff_t) {}

uint16_t CompressionTag(PixTiffCompression compression) {
  switch (compression) {
    case PixTiffCompression::Lzw: return COMPRESSION_LZW;
    case PixTiffCompression::Deflate: return COMPRESSION_ADOBE_DEFLATE;
    default: return COMPRESSION_NONE;
  }
}

}  // namespace

TIFF* OpenTiffOnDevice(QIODevice& device, const char* mode) {
  // The library's words go nowhere: a failure is told by the result.
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  return TIFFClientOpen("mosaic", mode, &device, Read, Write, Seek, Close, Size, Map, Unmap);
}

bool WriteTiff(QIODevice& device, const Bitmap& bitmap, PixTiffCompression compression,
               double dotsPerInch) {
  TIFF* tiff = OpenTiffOnDevice(device, "w");
  if (tiff == nullptr) return false;
  const auto width = static_cast<uint32_t>(bitmap.Width());
  const auto height = static_cast<uint32_t>(bitmap.Height());
  const uint16_t tag = CompressionTag(compression);
  bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) &&
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) &&
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3) &&
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, tag) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(dotsPerInch)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(dotsPerInch)) &&
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  // Differences between neighbours pack far better than the bytes themselves.
  if (ok && tag != COMPRESSION_NONE)
    ok = TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  for (uint32_t y = 0; ok && y < height; ++y) {
    const uint8_t* bgr = bitmap.Row(static_cast<int>(y));
    for (uint32_t x = 0; x < width; ++x) {
      row[x * 3] = bgr[x * 3 + 2];
      row[x * 3 + 1] = bgr[x * 3 + 1];
      row[x * 3 + 2] = bgr[x * 3];
    }
    ok = TIFFWriteScanline(tiff, row.data(), y, 0) == 1;
  }
  if (ok) ok = TIFFWriteDirectory(tiff) == 1;
  TIFFClose(tiff);
  return ok;
}
