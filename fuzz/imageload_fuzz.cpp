// Fuzz target: any bytes as an image file through the loader, every format
// it reads. The loader takes a file name, so the bytes go to a file first.
#include <unistd.h>
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imagefiles/imagefiles.h"

namespace {

std::string& InputPath() {
  static std::string path = [] {
    char name[] = "/tmp/quiltor-imageload-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  return path;
}

void Cleanup() { unlink(InputPath().c_str()); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  // Image plugins (TIFF, WebP) are found through the application object.
  static QCoreApplication app(*argc, *argv);
  PixInit();
  std::atexit(Cleanup);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(InputPath().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  Bitmap bitmap;
  const PixStatus status = PixLoadImage(InputPath(), bitmap);
  // A success always brings a picture of a size the bitmap accepts.
  if (status && (bitmap.Empty() || !Bitmap::SizeAllowed(bitmap.Width(), bitmap.Height())))
    __builtin_trap();
  return 0;
}
