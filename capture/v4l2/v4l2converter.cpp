#include "capture/v4l2/v4l2converter.h"

#include <libv4l-plugin.h>
#include <libv4lconvert.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

void* DevInit(int /*fd*/) { return nullptr; }
void DevClose(void* /*io*/) {}
int DevIoctl(void* io, int fd, unsigned long request, void* arg) {
  return static_cast<V4l2Io*>(io)->Ioctl(fd, request, arg);
}
ssize_t DevRead(void* io, int fd, void* buffer, size_t length) {
  return static_cast<V4l2Io*>(io)->Read(fd, buffer, length);
}
ssize_t DevWrite(void* /*io*/, int /*fd*/, const void* /*buffer*/, size_t /*length*/) {
  errno = EINVAL;
  return -1;
}

// The converter calls the device through these, with the I/O interface as their private data.
const libv4l_dev_ops kDeviceOps = {DevInit, DevClose, DevIoctl, DevRead, DevWrite, nullptr,
                                   nullptr, nullptr,  nullptr,  nullptr, nullptr,  nullptr};

bool IsCompressed(uint32_t fourcc) {
  return fourcc == V4L2_PIX_FMT_MJPEG || fourcc == V4L2_PIX_FMT_JPEG;
}

// The bytes an uncompressed frame must have; libv4lconvert checks only
// width × height × depth and would read stale buffer bytes past a short frame.
size_t MinimumFrameBytes(const v4l2_pix_format& format) {
  if (IsCompressed(format.pixelformat) || format.bytesperline == 0) return 1;
  const bool planar420 = format.pixelformat == V4L2_PIX_FMT_YUV420 ||
                         format.pixelformat == V4L2_PIX_FMT_YVU420 ||
                         format.pixelformat == V4L2_PIX_FMT_NV12;
  const size_t rows = planar420 ? format.height + format.height / 2 : format.height;
  return size_t{format.bytesperline} * rows;
}

bool SizeFits(const v4l2_pix_format& format) {
  return format.width > 0 && format.height > 0 &&
         Bitmap::SizeAllowed(format.width, format.height) &&
         int64_t{format.width} * format.height * Bitmap::kBytesPerPixel <= INT_MAX;
}

// libv4lconvert 1.22 looks up upside-down quirks by the device's USB ids; for
// a device without them (the test device, and so probably any camera not on
// USB) it turned about one stream in four upside down at random. Orientation
// is the camera dialog's to set, so the quirks stay off unless the user sets
// LIBV4LCONTROL_FLAGS.
void LeaveOrientationToUs() {
  static std::once_flag once;
  std::call_once(once, [] { setenv("LIBV4LCONTROL_FLAGS", "0", 0); });
}

}  // namespace

FrameConverter::FrameConverter(const V4l2Device& device)
    : device_(device), library_(CreateLibrary()), libraryAvailable_(library_ != nullptr) {}

FrameConverter::~FrameConverter() { v4lconvert_destroy(library_); }

v4lconvert_data* FrameConverter::CreateLibrary() const {
  LeaveOrientationToUs();
  return v4lconvert_create_with_dev_ops(device_.Fd(), &device_.Io(), &kDeviceOps);
}

void FrameConverter::Renew() {
  v4lconvert_destroy(library_);
  library_ = CreateLibrary();
}

bool FrameConverter::CanConvert(uint32_t fourcc) const {
  return fourcc == V4L2_PIX_FMT_BGR24 || fourcc == V4L2_PIX_FMT_RGB24 || libraryAvailable_;
}

std::optional<Bitmap> FrameConverter::Convert(const v4l2_pix_format& format, const uint8_t* data,
                                              size_t size) {
  if (!SizeFits(format) || size < MinimumFrameBytes(format) || size > INT_MAX) return std::nullopt;
  if (format.pixelformat == V4L2_PIX_FMT_BGR24 || format.pixelformat == V4L2_PIX_FMT_RGB24)
    return CopyRgb24Frame(format, data, size);
  if (library_ == nullptr) return std::nullopt;
  return ConvertWithLibrary(format, data, size);
}

std::optional<Bitmap> FrameConverter::ConvertWithLibrary(const v4l2_pix_format& format,
                                                         const uint8_t* data, size_t size) {
  v4l2_format source{};
  source.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  source.fmt.pix = format;
  v4l2_format target = source;
  const int rowBytes = static_cast<int>(format.width) * Bitmap::kBytesPerPixel;
  const int needed = rowBytes * static_cast<int>(format.height);
  target.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
  target.fmt.pix.bytesperline = rowBytes;
  target.fmt.pix.sizeimage = needed;
  packed_.resize(static_cast<size_t>(needed));
  // The library does not write to its source; its declaration just lacks const.
  const int written = v4lconvert_convert(library_, &source, &target, const_cast<uint8_t*>(data),
                                         static_cast<int>(size), packed_.data(), needed);
  if (written != needed) {
    // libv4lconvert 1.22 refuses a JPEG whose header does not match the
    // format (EIO) without resetting its decoder, which then keeps that header
    // and refuses every later frame: a fresh converter forgets it.
    if (written < 0 && errno == EIO && IsCompressed(format.pixelformat)) Renew();
    return std::nullopt;
  }
  std::optional<Bitmap> bitmap = Bitmap::TryCreate(format.width, format.height);
  if (!bitmap) return std::nullopt;
  for (int y = 0; y < bitmap->Height(); ++y)
    std::memcpy(bitmap->Row(y), packed_.data() + static_cast<size_t>(y) * rowBytes, rowBytes);
  return bitmap;
}

std::optional<Bitmap> CopyRgb24Frame(const v4l2_pix_format& format, const uint8_t* data,
                                     size_t size) {
  const bool swap = format.pixelformat == V4L2_PIX_FMT_RGB24;
  if (!swap && format.pixelformat != V4L2_PIX_FMT_BGR24) return std::nullopt;
  if (!SizeFits(format)) return std::nullopt;
  const size_t rowBytes = size_t{format.width} * Bitmap::kBytesPerPixel;
  const size_t stride = format.bytesperline >= rowBytes ? format.bytesperline : rowBytes;
  if (size < stride * (format.height - 1) + rowBytes) return std::nullopt;
  std::optional<Bitmap> bitmap = Bitmap::TryCreate(format.width, format.height);
  if (!bitmap) return std::nullopt;
  for (int y = 0; y < bitmap->Height(); ++y) {
    const uint8_t* source = data + static_cast<size_t>(y) * stride;
    uint8_t* target = bitmap->Row(y);
    std::memcpy(target, source, rowBytes);
    if (swap)
      for (size_t x = 0; x < rowBytes; x += 3) std::swap(target[x], target[x + 2]);
  }
  return bitmap;
}
