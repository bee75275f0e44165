#include "imagefiles/pyramidtiff.h"

#include <tiffio.h>

#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <map>

#include "imagefiles/tiffwriter.h"

namespace {

int HalfUp(int n) { return (n + 1) / 2; }

// The library reads back the directory it wrote last to link the next one,
// and the staged file only writes: small writes (headers and directories,
// never most tiles) are kept here and reads are answered from them.
class ReadBackDevice : public QIODevice {
 public:
  explicit ReadBackDevice(QIODevice& target) : target_(target) {
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
  }
  bool isSequential() const override { return false; }
  bool seek(qint64 pos) override { return target_.seek(pos) && QIODevice::seek(pos); }
  qint64 size() const override { return target_.size(); }

 protected:
  qint64 readData(char* data, qint64 length) override {
    const qint64 at = pos();
    for (auto it = records_.lower_bound(at - kKept); it != records_.end() && it->first <= at;
         ++it) {
      if (it->first + static_cast<qint64>(it->second.size()) >= at + length) {
        std::memcpy(data, it->second.data() + (at - it->first), static_cast<size_t>(length));
        return length;
      }
    }
    return -1;
  }
  qint64 writeData(const char* data, qint64 length) override {
    const qint64 at = pos();
    if (target_.write(data, length) != length) return -1;
    // Later writes over kept bytes (the links between directories) patch them.
    for (auto it = records_.lower_bound(at - kKept);
         it != records_.end() && it->first < at + length; ++it) {
      const qint64 from = std::max(at, it->first);
      const qint64 to = std::min(at + length, it->first + static_cast<qint64>(it->second.size()));
      if (from < to)
        std::memcpy(it->second.data() + (from - it->first), data + (from - at),
                    static_cast<size_t>(to - from));
    }
    if (length <= kKept) {
      std::string& kept = records_[at];
      if (static_cast<qint64>(kept.size()) < length) kept.assign(data, static_cast<size_t>(length));
    }
    return length;
  }

 private:
  static constexpr qint64 kKept = 4096;  // bytes; a directory is a few hundred
  QIODevice& target_;
  std::map<qint64, std::string> records_;  // by offset
};

// Writes one level as a tiled directory, a row of tiles at a time.
bool WriteLevel(TIFF* tiff, const Bitmap& bitmap, int level, LevelSize size,
                const PixSaveOptions& options) {
  const bool jpeg = options.PyramidTiles == PixPyramidCompression::Jpeg;
  bool ok = TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, level == 0 ? 0 : FILETYPE_REDUCEDIMAGE) &&
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(size.Width)) &&
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(size.Height)) &&
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, static_cast<uint32_t>(kPyramidTile)) &&
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, static_cast<uint32_t>(kPyramidTile)) &&
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3) &&
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(options.DotsPerInch)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(options.DotsPerInch));
  if (ok && jpeg) {
    // Brightness and colour apart, colour at half resolution: what slide
    // scanners write, and a third of the bytes of RGB at the same quality.
    ok = TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG) &&
         TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR) &&
         TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, std::clamp(options.JpegQuality, 1, 100)) &&
         TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  } else if (ok) {
    ok = TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
         TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
         TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  }
  if (!ok) return false;
  const size_t rowBytes = static_cast<size_t>(size.Width) * 3;
  std::vector<uint8_t> strip(rowBytes * kPyramidTile);
  std::vector<uint8_t> tile(static_cast<size_t>(kPyramidTile) * kPyramidTile * 3);
  const size_t tileRowBytes = static_cast<size_t>(kPyramidTile) * 3;
  for (int top = 0; top < size.Height; top += kPyramidTile) {
    const int rows = std::min(kPyramidTile, size.Height - top);
    ShrinkRows(bitmap, level, top, rows, strip.data());
    for (int left = 0; left < size.Width; left += kPyramidTile) {
      const int columns = std::min(kPyramidTile, size.Width - left);
      // Edge tiles repeat the last pixel and row: no false edge for JPEG to code.
      for (int y = 0; y < kPyramidTile; ++y) {
        const uint8_t* src = strip.data() + rowBytes * std::min(y, rows - 1) + left * size_t{3};
        uint8_t* dst = tile.data() + tileRowBytes * y;
        std::memcpy(dst, src, static_cast<size_t>(columns) * 3);
        for (int x = columns; x < kPyramidTile; ++x)
          std::memcpy(dst + x * 3, src + (columns - 1) * 3, 3);
      }
      if (TIFFWriteTile(tiff, tile.data(), static_cast<uint32_t>(left), static_cast<uint32_t>(top),
                        0, 0) < 0)
        return false;
    }
  }
  return TIFFWriteDirectory(tiff) == 1;
}

}  // namespace

std::vector<LevelSize> PyramidLevels(int width, int height) {
  std::vector<LevelSize> levels{{width, height}};
  while (levels.back().Width > kPyramidTile || levels.back().Height > kPyramidTile)
    levels.push_back({HalfUp(levels.back().Width), HalfUp(levels.back().Height)});
  return levels;
}

bool PyramidNeedsBigTiff(int width, int height) {
  uint64_t bytes = 0;
  for (const LevelSize& level : PyramidLevels(width, height)) {
    const uint64_t across = (static_cast<uint64_t>(level.Width) + kPyramidTile - 1) / kPyramidTile;
    const uint64_t down = (static_cast<uint64_t>(level.Height) + kPyramidTile - 1) / kPyramidTile;
    bytes += across * down * kPyramidTile * kPyramidTile * 3;
  }
  // An eighth more for codes that grow on noise, tile tables and directories.
  return bytes + bytes / 8 >= (uint64_t{1} << 32);
}

void ShrinkRows(const Bitmap& bitmap, int level, int top, int rows, uint8_t* rgb) {
  const int factor = 1 << level;
  const int width = bitmap.Width();
  const int levelWidth = (width + factor - 1) >> level;
  std::vector<uint32_t> sums(static_cast<size_t>(levelWidth) * 3);
  for (int y = top; y < top + rows; ++y) {
    std::fill(sums.begin(), sums.end(), 0u);
    const int first = y << level;
    const int last = std::min(first + factor, bitmap.Height());
    for (int sy = first; sy < last; ++sy) {
      const uint8_t* bgr = bitmap.Row(sy);
      for (int x = 0; x < width; ++x) {
        uint32_t* sum = &sums[static_cast<size_t>(x >> level) * 3];
        sum[0] += bgr[3 * x + 2];
        sum[1] += bgr[3 * x + 1];
        sum[2] += bgr[3 * x];
      }
    }
    uint8_t* out = rgb + static_cast<size_t>(y - top) * levelWidth * 3;
    const auto blockRows = static_cast<uint32_t>(last - first);
    for (int x = 0; x < levelWidth; ++x) {
      const auto blockColumns = static_cast<uint32_t>(std::min(factor, width - (x << level)));
      const uint32_t count = blockRows * blockColumns;
      for (int c = 0; c < 3; ++c)
        out[3 * x + c] =
            static_cast<uint8_t>((sums[3 * static_cast<size_t>(x) + c] + count / 2) / count);
    }
  }
}

bool WritePyramidTiff(QIODevice& device, const Bitmap& bitmap, const PixSaveOptions& options) {
  const char* mode = PyramidNeedsBigTiff(bitmap.Width(), bitmap.Height()) ? "w8" : "w";
  ReadBackDevice readBack(device);
  TIFF* tiff = OpenTiffOnDevice(readBack, mode);
  if (tiff == nullptr) return false;
  const std::vector<LevelSize> levels = PyramidLevels(bitmap.Width(), bitmap.Height());
  bool ok = true;
  for (size_t i = 0; ok && i < levels.size(); ++i)
    ok = WriteLevel(tiff, bitmap, static_cast<int>(i), levels[i], options);
  TIFFClose(tiff);
  return ok;
}
