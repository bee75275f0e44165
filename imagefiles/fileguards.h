#pragma once
// Checks of file structure that the decoders let pass: some decoders fill a
// truncated image silently instead of failing.

#include <cstdint>
#include <string>

enum class GuardResult { Ok, Truncated, Malformed, TooLarge };

// BMP: the pixel data the header promises must be present in the file.
// Sizes beyond what Bitmap accepts are reported before anything else.
GuardResult CheckBmpComplete(const std::string& header, int64_t fileSize);

// JPEG: the entropy-coded data must end with an end-of-image marker.
GuardResult CheckJpegComplete(const std::string& contents);
