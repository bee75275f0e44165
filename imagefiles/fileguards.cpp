#include "fileguards.h"

#include <cstdlib>

#include "bitmap.h"
#include "formats/littleendian.h"

namespace {
const uint8_t* At(const std::string& s, size_t at) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}
uint32_t ReadLe32(const std::string& s, size_t at) { return ReadLE32(At(s, at)); }
uint16_t ReadLe16(const std::string& s, size_t at) { return ReadLE16(At(s, at)); }
}  // namespace

namespace {

struct BmpFields {
  uint32_t DataOffset = 0;
  int64_t Width = 0;
  int64_t Height = 0;  // negative: rows stored top-down
  int BitCount = 0;
  uint32_t Compression = 0;
};

// Reads the fields every check needs; Malformed unless they describe a BMP at all,
// so a text that merely starts with "BM" is never taken for a huge image.
GuardResult ReadBmpFields(const std::string& header, BmpFields& f) {
  // File header (14 bytes) plus at least the core of an info header.
  if (header.size() < 26 || header[0] != 'B' || header[1] != 'M') return GuardResult::Malformed;
  f.DataOffset = ReadLe32(header, 10);
  const uint32_t infoSize = ReadLe32(header, 14);
  int planes = 0;
  if (infoSize == 12) {  // OS/2 core header
    f.Width = ReadLe16(header, 18);
    f.Height = ReadLe16(header, 20);
    planes = ReadLe16(header, 22);
    f.BitCount = ReadLe16(header, 24);
  } else if ((infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 ||
              infoSize == 108 || infoSize == 124) &&
             header.size() >= 34) {
    f.Width = static_cast<int32_t>(ReadLe32(header, 18));
    f.Height = static_cast<int32_t>(ReadLe32(header, 22));
    planes = ReadLe16(header, 26);
    f.BitCount = ReadLe16(header, 28);
    f.Compression = ReadLe32(header, 30);
  } else {
    return GuardResult::Malformed;
  }
  const int b = f.BitCount;
  const bool depthKnown = b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32;
  if (planes != 1 || !depthKnown || f.Compression > 6 || f.DataOffset < 14 + infoSize)
    return GuardResult::Malformed;
  if (f.Width <= 0 || f.Height == 0) return GuardResult::Malformed;
  return GuardResult::Ok;
}

bool RunLength(const BmpFields& f) {
  return (f.Compression == 1 && f.BitCount == 8) || (f.Compression == 2 && f.BitCount == 4);
}

}  // namespace

GuardResult CheckBmpComplete(const std::string& header, int64_t fileSize) {
  BmpFields f;
  if (const GuardResult r = ReadBmpFields(header, f); r != GuardResult::Ok) return r;
  if (!Bitmap::SizeAllowed(f.Width, std::llabs(f.Height))) return GuardResult::TooLarge;
  if (f.DataOffset >= fileSize) return GuardResult::Truncated;
  // Run-length data is walked by CheckBmpRunsComplete; other codings are the decoder's.
  if (f.Compression != 0 && f.Compression != 3 && f.Compression != 6) return GuardResult::Ok;
  const int64_t rowBytes = ((f.Width * f.BitCount + 31) / 32) * 4;
  const int64_t needed = static_cast<int64_t>(f.DataOffset) + rowBytes * std::llabs(f.Height);
  return fileSize < needed ? GuardResult::Truncated : GuardResult::Ok;
}

bool BmpIsRunLength(const std::string& header) {
  BmpFields f;
  return ReadBmpFields(header, f) == GuardResult::Ok && RunLength(f);
}

GuardResult CheckBmpRunsComplete(const std::string& contents) {
  BmpFields f;
  if (const GuardResult r = ReadBmpFields(contents, f); r != GuardResult::Ok) return r;
  if (!RunLength(f)) return GuardResult::Malformed;
  const size_t n = contents.size();
  auto byte = [&](size_t i) { return static_cast<uint8_t>(contents[i]); };
  // Pairs of bytes: a count and a value, or 0 and an escape (end of line,
  // end of bitmap, a move, or a count of literal pixels padded to 2 bytes).
  // The data are complete only when every line, each within the width, has
  // come before the end-of-bitmap code: a cut file may end in one.
  // Encoders may run on into the row's padding to 4 bytes; decoders drop it.
  const int64_t width = (f.Width * f.BitCount + 31) / 32 * 32 / f.BitCount;
  const int64_t rows = std::llabs(f.Height);
  int64_t x = 0;     // pixels so far on the current line
  int64_t line = 0;  // lines ended so far
  size_t at = f.DataOffset;
  while (at + 2 <= n) {
    const uint8_t count = byte(at);
    const uint8_t code = byte(at + 1);
    at += 2;
    if (count != 0 || code > 2) {
      x += count != 0 ? count : code;
      if (line >= rows || x > width) return GuardResult::Malformed;
      if (count != 0) continue;
      // Literal pixels take their bytes, padded to 2.
      const size_t bytes = f.BitCount == 8 ? code : (code + 1u) / 2;
      at += (bytes + 1) & ~size_t{1};
    } else if (code == 0) {
      x = 0;
      if (++line > rows) return GuardResult::Malformed;
    } else if (code == 1) {
      // The last line may end with the end-of-bitmap code itself.
      return line + 1 >= rows ? GuardResult::Ok : GuardResult::Truncated;
    } else {  // a move right and down
      if (at + 2 > n) return GuardResult::Truncated;
      x += byte(at);
      line += byte(at + 1);
      at += 2;
      if (x > width || line > rows) return GuardResult::Malformed;
    }
  }
  return GuardResult::Truncated;
}

GuardResult CheckGifComplete(const std::string& contents) {
  const size_t n = contents.size();
  auto byte = [&](size_t i) { return static_cast<uint8_t>(contents[i]); };
  if (n < 13 || (contents.compare(0, 6, "GIF87a") != 0 && contents.compare(0, 6, "GIF89a") != 0))
    return GuardResult::Malformed;
  auto tableBytes = [](uint8_t flags) {
    return (flags & 0x80) ? size_t{3} << ((flags & 7) + 1) : size_t{0};
  };
  size_t at = 13 + tableBytes(byte(10));
  // Data sub-blocks: a length byte and that many bytes, up to a zero length.
  auto skipSubBlocks = [&]() {
    while (at < n) {
      const uint8_t length = byte(at++);
      if (length == 0) return true;
      at += length;
    }
    return false;
  };
  bool imageSeen = false;
  while (true) {
    if (at >= n) return imageSeen && at == n ? GuardResult::Ok : GuardResult::Truncated;
    const uint8_t block = byte(at);
    if (block == 0x3B) return imageSeen ? GuardResult::Ok : GuardResult::Malformed;  // trailer
    if (block == 0x21) {  // extension: label, then sub-blocks
      at += 2;
      if (!skipSubBlocks()) return GuardResult::Truncated;
    } else if (block == 0x2C) {  // image descriptor, local table, code size, data
      if (at + 10 > n) return GuardResult::Truncated;
      at += 10 + tableBytes(byte(at + 9)) + 1;
      if (!skipSubBlocks()) return GuardResult::Truncated;
      imageSeen = true;
    } else {
      return GuardResult::Malformed;
    }
  }
}

GuardResult CheckJpegComplete(const std::string& contents) {
  const size_t n = contents.size();
  auto byte = [&](size_t i) { return static_cast<uint8_t>(contents[i]); };
  if (n < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return GuardResult::Malformed;
  // Walk the marker segments up to the first start-of-scan; embedded
  // thumbnails live inside these segments and are skipped whole.
  size_t at = 2;
  while (true) {
    while (at < n && byte(at) == 0xFF && at + 1 < n && byte(at + 1) == 0xFF) ++at;  // fill bytes
    if (at + 4 > n) return GuardResult::Truncated;
    if (byte(at) != 0xFF) return GuardResult::Malformed;
    const uint8_t marker = byte(at + 1);
    if (marker == 0xD9) return GuardResult::Truncated;  // end before any scan
    const size_t length = static_cast<size_t>(byte(at + 2)) << 8 | byte(at + 3);
    if (length < 2) return GuardResult::Malformed;
    if (at + 2 + length > n) return GuardResult::Truncated;
    at += 2 + length;
    if (marker == 0xDA) break;
  }
  // In entropy-coded data 0xFF is followed by 0x00 or a marker, so 0xFF 0xD9
  // appears only as the end-of-image marker.
  for (size_t i = at; i + 1 < n; ++i) {
    if (byte(i) == 0xFF && byte(i + 1) == 0xD9) return GuardResult::Ok;
  }
  return GuardResult::Truncated;
}
