#pragma once
// Builds a 24-bit bitmap from a scanner's frames as they arrive: grey or
// interleaved colour in one frame, or red, green and blue in three; 1, 8 or
// 16 bits a sample; lines padded or not; a height told in advance or found
// at the end (hand-held scanners).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imagefiles/bitmap.h"

enum class ScanFrameFormat { Gray, Rgb, Red, Green, Blue };

struct ScanFrameLayout {
  ScanFrameFormat Format = ScanFrameFormat::Gray;
  int Depth = 8;  // bits per sample
  int BytesPerLine = 0;
  int PixelsPerLine = 0;
  int Lines = -1;  // -1: not known until the end of the frame
};

// One line of a frame into blue-green-red pixels: grey and interleaved colour
// write all three bytes, a single-colour frame only its own. Depth 1 grey is
// black for a set bit; depth 1 colour is full intensity for a set bit; 16-bit
// samples are in this machine's byte order.
void ConvertScanLine(const ScanFrameLayout& layout, const uint8_t* line, uint8_t* bgr);

class ScanImageBuilder {
 public:
  // Empty on success, else why the frame cannot be taken, in Russian. Frames
  // after the first must have the first one's width.
  std::string BeginFrame(const ScanFrameLayout& layout);
  // Raw data as read; whole lines are converted at once. False when the frame
  // grew beyond the largest picture we hold (or its told height).
  bool Append(const uint8_t* data, size_t size);
  // Bytes expected in this frame, or none when the height is not known.
  std::optional<int64_t> FrameBytes() const;
  int64_t FrameBytesRead() const { return frameRead_; }
  // The picture of the lines that came. Empty with error set when none did.
  std::optional<Bitmap> Finish(std::string& error);

 private:
  ScanFrameLayout layout_;
  int width_ = 0;
  int rows_ = 0;  // lines of the picture so far
  int frameLine_ = 0;
  int64_t frameRead_ = 0;
  std::vector<uint8_t> pending_;  // part of a line
  std::vector<uint8_t> pixels_;   // rows of width_ * 3 bytes
};
