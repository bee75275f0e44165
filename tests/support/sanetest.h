#pragma once
// SANE's test back end for tests: a configuration folder of our own that
// loads only it (nothing under /etc is read or changed), and reference
// pictures from the scanimage tool, which reads the same back end
// independently of our binding.

#include <optional>
#include <string>
#include <vector>

#include "imagefiles/bitmap.h"

class SaneTestConfig {
 public:
  SaneTestConfig();
  ~SaneTestConfig();
  SaneTestConfig(const SaneTestConfig&) = delete;
  SaneTestConfig& operator=(const SaneTestConfig&) = delete;

 private:
  std::string folder_;
  std::optional<std::string> previous_;
};

// The picture scanimage gets from device "test:0" with these options
// ("--mode=Color", ...), as blue-green-red bytes; 16-bit samples are scaled
// to 0..255 with rounding, a set bit of a bitmap is black. None when the
// tool failed.
std::optional<Bitmap> ScanimageReference(const std::vector<std::string>& options);
