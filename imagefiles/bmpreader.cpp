#include "bmpreader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "formats/littleendian.h"

namespace {

struct BmpHeader {
  uint32_t dataOffset = 0;
  uint32_t infoSize = 0;
  int64_t width = 0;
  int64_t height = 0;  // negative: rows stored top-down
  int bitCount = 0;
  uint32_t compression = 0;
  uint32_t paletteSize = 0;
};

bool StandardMasks32(const uint8_t* info, uint32_t infoSize, uint32_t compression) {
  if (compression == 0) return true;
  if (infoSize < 52) return false;  // masks follow the 40-byte header when absent from it
  return ReadLE32(info + 40) == 0x00FF0000 && ReadLE32(info + 44) == 0x0000FF00 &&
         ReadLE32(info + 48) == 0x000000FF;
}

}  // namespace

std::string BmpFileHeader(int width, int height, double dotsPerInch) {
  const uint64_t dataBytes =
      (uint64_t{static_cast<uint32_t>(width)} * 3 + 3) / 4 * 4 * static_cast<uint32_t>(height);
  std::string h(54, '\0');
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  h[0] = 'B';
  h[1] = 'M';
  put(2, static_cast<uint32_t>(54 + dataBytes), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(width), 4);
  put(22, static_cast<uint32_t>(height), 4);
  put(26, 1, 2);   // planes
  put(28, 24, 2);  // bits a pixel
  put(34, static_cast<uint32_t>(dataBytes), 4);
  // Pixels a metre, rounded as the toolkit does (96 dpi: 3780).
  const auto perMetre = static_cast<uint32_t>(std::lround(dotsPerInch / 0.0254));
  put(38, perMetre, 4);
  put(42, perMetre, 4);
  return h;
}

BmpReadOutcome ReadUncompressedBmp(const std::string& fileName, Bitmap& bitmap, PixStatus& status) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return BmpReadOutcome::NotHandled;
  uint8_t head[14 + 124] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const auto got = static_cast<size_t>(in.gcount());
  if (got < 14 + 40 || head[0] != 'B' || head[1] != 'M') return BmpReadOutcome::NotHandled;

  BmpHeader h;
  h.dataOffset = ReadLE32(head + 10);
  h.infoSize = ReadLE32(head + 14);
  const uint8_t* info = head + 14;
  if (h.infoSize < 40 || 14 + std::min<uint32_t>(h.infoSize, 124) > got)
    return BmpReadOutcome::NotHandled;
  h.width = static_cast<int32_t>(ReadLE32(info + 4));
  h.height = static_cast<int32_t>(ReadLE32(info + 8));
  h.bitCount = ReadLE16(info + 14);
  h.compression = ReadLE32(info + 16);
  h.paletteSize = ReadLE32(info + 32);

  const bool paletted = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8;
  const bool direct =
      h.bitCount == 24 || (h.bitCount == 32 && StandardMasks32(info, h.infoSize, h.compression));
  if (!(paletted || direct) || (h.compression != 0 && !(h.bitCount == 32 && h.compression == 3)))
    return BmpReadOutcome::NotHandled;
  if (h.width <= 0 || h.height == 0) {
    status = PixStatus::Fail(PixError::Corrupt, "BMP size is zero");
    return BmpReadOutcome::Done;
  }
  const int64_t rows = std::llabs(h.height);
  if (!Bitmap::SizeAllowed(h.width, rows)) {
    status = PixStatus::Fail(PixError::TooLarge, "BMP dimensions too large");
    return BmpReadOutcome::Done;
  }

  // Palette entries are blue, green, red, reserved.
  std::vector<uint8_t> palette;
  if (paletted) {
    const uint32_t maxEntries = 1u << h.bitCount;
    const uint32_t entries = h.paletteSize == 0 ? maxEntries : std::min(h.paletteSize, maxEntries);
    palette.assign(static_cast<size_t>(maxEntries) * 4, 0);
    in.clear();
    in.seekg(14 + h.infoSize);
    in.read(reinterpret_cast<char*>(palette.data()), static_cast<std::streamsize>(entries) * 4);
    if (static_cast<uint32_t>(in.gcount()) != entries * 4) {
      status = PixStatus::Fail(PixError::Corrupt, "BMP palette truncated");
      return BmpReadOutcome::Done;
    }
  }

  auto created = Bitmap::TryCreate(static_cast<int>(h.width), static_cast<int>(rows));
  if (!created) {
    status = PixStatus::Fail(PixError::OutOfMemory, "no memory for the bitmap");
    return BmpReadOutcome::Done;
  }
  const size_t fileRowBytes = static_cast<size_t>((h.width * h.bitCount + 31) / 32) * 4;
  std::vector<uint8_t> row(fileRowBytes);
  in.clear();
  in.seekg(h.dataOffset);
  const int w = static_cast<int>(h.width);
  for (int64_t fileRow = 0; fileRow < rows; ++fileRow) {
    in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(fileRowBytes));
    if (static_cast<size_t>(in.gcount()) != fileRowBytes) {
      status = PixStatus::Fail(PixError::Corrupt, "BMP pixel data truncated");
      return BmpReadOutcome::Done;
    }
    const int y = static_cast<int>(h.height < 0 ? fileRow : rows - 1 - fileRow);
    uint8_t* dst = created->Row(y);
    if (h.bitCount == 24) {
      std::copy(row.begin(), row.begin() + static_cast<ptrdiff_t>(w) * 3, dst);
    } else if (h.bitCount == 32) {
      for (int x = 0; x < w; ++x) {
        dst[3 * x] = row[4 * x];
        dst[3 * x + 1] = row[4 * x + 1];
        dst[3 * x + 2] = row[4 * x + 2];
      }
    } else {
      const int perByte = 8 / h.bitCount;
      const int mask = (1 << h.bitCount) - 1;
      for (int x = 0; x < w; ++x) {
        const int shift = (perByte - 1 - x % perByte) * h.bitCount;
        const int index = (row[x / perByte] >> shift) & mask;
        dst[3 * x] = palette[4 * index];
        dst[3 * x + 1] = palette[4 * index + 1];
        dst[3 * x + 2] = palette[4 * index + 2];
      }
    }
  }
  bitmap = std::move(*created);
  status = PixStatus::Success();
  return BmpReadOutcome::Done;
}
