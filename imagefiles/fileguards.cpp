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

GuardResult CheckBmpComplete(const std::string& header, int64_t fileSize) {
  // File header (14 bytes) plus at least the core of an info header.
  if (header.size() < 30 || header[0] != 'B' || header[1] != 'M') return GuardResult::Malformed;
  const uint32_t dataOffset = ReadLe32(header, 10);
  const uint32_t infoSize = ReadLe32(header, 14);
  int64_t width = 0;
  int64_t height = 0;
  int bitCount = 0;
  uint32_t compression = 0;
  if (infoSize == 12) {  // OS/2 core header
    width = ReadLe16(header, 18);
    height = ReadLe16(header, 20);
    bitCount = ReadLe16(header, 24);
  } else if (infoSize >= 40 && header.size() >= 34) {
    width = static_cast<int32_t>(ReadLe32(header, 18));
    height = static_cast<int32_t>(ReadLe32(header, 22));
    bitCount = ReadLe16(header, 28);
    compression = ReadLe32(header, 30);
  } else {
    return GuardResult::Malformed;
  }
  if (width <= 0 || height == 0 || bitCount <= 0) return GuardResult::Malformed;
  if (!Bitmap::SizeAllowed(width, std::llabs(height))) return GuardResult::TooLarge;
  // Compressed data has no fixed length to check; the decoder handles it.
  if (compression != 0 && compression != 3 && compression != 6) return GuardResult::Ok;
  const int64_t rowBytes = ((width * bitCount + 31) / 32) * 4;
  const int64_t needed = static_cast<int64_t>(dataOffset) + rowBytes * std::llabs(height);
  return fileSize < needed ? GuardResult::Truncated : GuardResult::Ok;
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
