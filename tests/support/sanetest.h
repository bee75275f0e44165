#pragma once
// SANE's test back end for tests: a configuration folder of our own that
// loads only it (nothing under /etc is read or changed), and reference
// pictures from the scanimage tool, which reads the same back end
// independently of our binding.

#include <optional>
#include <string>
#include <vector>

#include "imagefiles/bitmap.h"

// The folder is one for the whole test program (the library keeps the first
// configuration folder it saw), written afresh by each object.
class SaneTestConfig {
 public:
  SaneTestConfig();
  ~SaneTestConfig();
  SaneTestConfig(const SaneTestConfig&) = delete;
  SaneTestConfig& operator=(const SaneTestConfig&) = delete;

  // Replaces the list of back ends the library loads (empty: none at all).
  void SetBackEnds(const std::string& lines);

 private:
  std::optional<std::string> previous_;
};

// The picture scanimage gets from device "test:0" with these options
// ("--mode=Color", ...), as blue-green-red bytes; 16-bit samples are scaled
// to 0..255 with rounding, a set bit of a bitmap is black. None when the
// tool failed.
std::optional<Bitmap> ScanimageReference(const std::vector<std::string>& options);
