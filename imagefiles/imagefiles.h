#pragma once
// Image file services: load, save and resample 24-bit bitmaps. Free of Qt in
// its interface; the sources use Qt's image I/O.

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "formats/wholefile.h"

// Why a load or save failed; the window words it for the user.
enum class PixError {
  None,
  NotFound,     // no such file
  Unreadable,   // exists but cannot be opened
  Empty,        // a file of no bytes
  Unsupported,  // not an image format we read or write
  Corrupt,      // damaged or truncated data
  TooLarge,     // beyond the largest image we accept
  OutOfMemory,  // the image would not fit in memory
  WriteFailed,  // the file could not be written
};

struct PixStatus {
  PixError Error = PixError::None;
  std::string Detail;   // technical detail in English, for logs and messages
  std::string Warning;  // a load that succeeded on damaged data: the decoder's words

  bool Ok() const { return Error == PixError::None; }
  explicit operator bool() const { return Ok(); }
  static PixStatus Success() { return {}; }
  static PixStatus Fail(PixError error, std::string detail) { return {error, std::move(detail)}; }
};

enum class PixTiffCompression { None, Lzw, Deflate };
enum class PixPyramidCompression { Jpeg, Deflate };

// How a picture is written, where its format has a choice.
struct PixSaveOptions {
  int JpegQuality = 95;  // 1..100, also for the tiles of a JPEG pyramid
  PixTiffCompression Tiff = PixTiffCompression::None;
  // A TIFF file as tiles at full size and at each half size down to one tile,
  // for slide viewers; other formats ignore it.
  bool Pyramid = false;
  PixPyramidCompression PyramidTiles = PixPyramidCompression::Jpeg;
  double DotsPerInch = 96;  // recorded in BMP, PNG, JPEG and TIFF files
};

// Once at start, before any other call: sets the decoders' memory limit.
void PixInit();

// Reads any supported file into a 24-bit bitmap; on failure the bitmap is untouched.
// A JPEG with damaged entropy data still loads, with Warning set.
PixStatus PixLoadImage(const std::string& fileName, Bitmap& bitmap);

// The size the file's header announces, without decoding; false when unknown.
bool PixImageSize(const std::string& fileName, int64_t& width, int64_t& height);

// Writes the bitmap in the format named by the file's extension. The data go to
// a temporary file beside the target that replaces it only when complete.
PixStatus PixSaveImage(const std::string& fileName, const Bitmap& bitmap,
                       const PixSaveOptions& options = {});

// PixSaveImage but the replacement of the target: the picture is written in
// full and finished in pending, whose Commit then puts it in place.
PixStatus PixWriteImage(const std::string& fileName, const Bitmap& bitmap, StagedFile& pending,
                        const PixSaveOptions& options = {});

// A format that can hold a width x height picture (tif, png, ...), or empty.
std::string PixFormatThatHolds(int width, int height);

// Scales source into destination, which the caller has sized. Modes 3 and 5
// resample smoothly; any other mode takes the nearest pixel.
void PixResample(const Bitmap& source, Bitmap& destination, int mode);

// A new 24-bit bitmap of the given size holding a scaled copy of source.
Bitmap MakeThumbnail(const Bitmap& source, int width, int height, int mode);

// True when PixSaveImage can write the extension of this file name: only
// formats that keep a full-colour picture at its size.
bool PixCanWrite(const std::string& fileName);

// The extensions PixCanWrite accepts, lower case, without the dot.
std::vector<std::string> PixWritableSuffixes();

// Whether a width x height picture can be written under this file name: a
// writable format (Unsupported) within that format's size limits (TooLarge).
// A pyramid TIFF has no 4 GiB limit: it becomes a BigTIFF when it needs to.
PixStatus PixCheckWritable(const std::string& fileName, int width, int height,
                           const PixSaveOptions& options = {});
