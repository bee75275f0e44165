#pragma once
// Checks of file structure that the decoders let pass: some decoders fill a
// truncated image silently instead of failing.

#include <cstdint>
#include <string>

enum class GuardResult { Ok, Truncated, Malformed, TooLarge };

// BMP: header holds the file's first bytes (64 are enough). The header must be
// sound, and the pixel data it promises present in a file of fileSize bytes.
// Sizes beyond what Bitmap accepts are reported once the header is sound.
GuardResult CheckBmpComplete(const std::string& header, int64_t fileSize);

// True when the BMP's pixels are run-length coded (4 or 8 bits): their length
// is not in the header, so CheckBmpRunsComplete walks the whole file.
bool BmpIsRunLength(const std::string& header);
GuardResult CheckBmpRunsComplete(const std::string& contents);

// GIF: every block up to the trailer (or the end of a complete image) is present.
GuardResult CheckGifComplete(const std::string& contents);

// JPEG: the entropy-coded data must end with an end-of-image marker.
GuardResult CheckJpegComplete(const std::string& contents);
