#include "memorybudget.h"

#include <sys/resource.h>
#include <algorithm>
#include <fstream>
#include <string>

#include "imagefiles/bitmap.h"

namespace {

uint64_t BitmapBytes(const ImageSize& s) {
  // Rows padded to 4 bytes, 3 bytes a pixel, as Bitmap holds them.
  return static_cast<uint64_t>((s.Width * Bitmap::kBytesPerPixel + 3) / 4 * 4) *
         static_cast<uint64_t>(s.Height);
}

// A "Name:  value kB" line of a /proc file, in bytes.
std::optional<uint64_t> ProcKibibytes(const char* file, const std::string& name) {
  std::ifstream in(file);
  std::string key;
  uint64_t value = 0;
  std::string unit;
  while (in >> key >> value) {
    std::getline(in, unit);
    if (key == name + ":") return value * 1024;
  }
  return std::nullopt;
}

}  // namespace

uint64_t StitchBytesAtLeast(const std::vector<ImageSize>& inputs) {
  uint64_t total = 0;
  uint64_t largest = 0;
  for (const ImageSize& s : inputs) {
    total += BitmapBytes(s);
    largest = std::max(largest, BitmapBytes(s));
  }
  return total + largest;
}

std::optional<uint64_t> AvailableMemoryBytes() {
  std::optional<uint64_t> available = ProcKibibytes("/proc/meminfo", "MemAvailable");
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const uint64_t used = ProcKibibytes("/proc/self/status", "VmSize").value_or(0);
    const uint64_t left = limit.rlim_cur > used ? limit.rlim_cur - used : 0;
    available = available ? std::min(*available, left) : left;
  }
  return available;
}
