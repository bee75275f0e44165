#pragma once
// How much memory a stitch needs at least, and how much the system offers,
// so that a job that cannot fit is refused before anything is decoded.

#include <cstdint>
#include <optional>
#include <vector>

struct ImageSize {
  int64_t Width = 0, Height = 0;  // pixels
};

// Bytes of the input bitmaps plus a canvas at least as large as the largest
// input: a lower bound of what the stitch will hold at once.
uint64_t StitchBytesAtLeast(const std::vector<ImageSize>& inputs);

// Bytes this process can still allocate: the system's available memory, or
// less when an address-space limit leaves less. Empty when unknown.
std::optional<uint64_t> AvailableMemoryBytes();
