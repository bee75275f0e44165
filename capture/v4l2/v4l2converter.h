#pragma once
// Turns one raw frame of a device into a 24-bit BGR bitmap: BGR24 and RGB24
// rows are copied directly, every other format goes through libv4lconvert.
// The converter learns the device's formats and quirks through the I/O
// interface (v4lconvert_create(-1) returns null and would crash later), so a
// test's fake device reaches the real conversion code.

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "capture/v4l2/v4l2device.h"
#include "imagefiles/bitmap.h"

struct v4lconvert_data;

class FrameConverter {
 public:
  // The device must outlive the converter.
  explicit FrameConverter(const V4l2Device& device);
  ~FrameConverter();
  FrameConverter(const FrameConverter&) = delete;
  FrameConverter& operator=(const FrameConverter&) = delete;

  // Whether frames of this pixel format can be converted at all.
  bool CanConvert(uint32_t fourcc) const;
  // The frame (size bytes at data, laid out as format says) as a bitmap of
  // the format's size; none when it is short, corrupt or not convertible.
  // Not thread-safe: one stream's reader thread calls it while CanConvert may
  // be called from the window thread.
  std::optional<Bitmap> Convert(const v4l2_pix_format& format, const uint8_t* data, size_t size);

 private:
  v4lconvert_data* CreateLibrary() const;
  void Renew();
  std::optional<Bitmap> ConvertWithLibrary(const v4l2_pix_format& format, const uint8_t* data,
                                           size_t size);

  const V4l2Device& device_;
  v4lconvert_data* library_ = nullptr;  // null when libv4lconvert refused the device
  const bool libraryAvailable_;         // as first created; read from the window thread
  std::vector<uint8_t> packed_;         // the library's output, rows without padding
};

// BGR24 or RGB24 rows (bytesperline apart) as a bitmap; none when short or another format.
std::optional<Bitmap> CopyRgb24Frame(const v4l2_pix_format& format, const uint8_t* data,
                                     size_t size);
