#pragma once
// Reader for uncompressed BMP files, and the header of the BMP we write. The toolkit's own reader
// refuses images above 16384 x 16384 pixels; frames and mosaics can be larger.

#include <string>

#include "bitmap.h"
#include "imagefiles.h"

// The 54-byte file and info header of a 24-bit, bottom-up BMP of that size,
// whose rows are padded to 4 bytes.
std::string BmpFileHeader(int width, int height, double dotsPerInch = 96);

enum class BmpReadOutcome { Done, NotHandled };

// Reads 1-, 4-, 8-, 24- and 32-bit uncompressed files. Returns NotHandled for
// anything else (compressed or unusual headers), leaving it to the toolkit.
BmpReadOutcome ReadUncompressedBmp(const std::string& fileName, Bitmap& bitmap, PixStatus& status);
