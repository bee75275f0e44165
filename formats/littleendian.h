#pragma once
// Little-endian integers in byte buffers: the byte order of every file format
// the program reads or writes, whatever the machine's own order.

#include <cstddef>
#include <cstdint>

// The n-byte (n <= 8) unsigned integer starting at p.
constexpr uint64_t ReadLE(const uint8_t* p, size_t n) {
  uint64_t value = 0;
  for (size_t i = n; i-- > 0;) value = value << 8 | p[i];
  return value;
}

constexpr uint16_t ReadLE16(const uint8_t* p) { return static_cast<uint16_t>(ReadLE(p, 2)); }
constexpr uint32_t ReadLE32(const uint8_t* p) { return static_cast<uint32_t>(ReadLE(p, 4)); }

// Writes the low n bytes of value from p on.
constexpr void WriteLE(uint8_t* p, uint64_t value, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

constexpr void WriteLE16(uint8_t* p, uint16_t value) { WriteLE(p, value, 2); }
constexpr void WriteLE32(uint8_t* p, uint32_t value) { WriteLE(p, value, 4); }
