#pragma once
// What an open device offers, read through its ioctls: capabilities, pixel
// formats, frame sizes, standards, inputs and controls.

#include <linux/videodev2.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "capture/v4l2/v4l2device.h"
#include "capture/video/videosource.h"

struct V4l2PixelFormat {
  uint32_t Fourcc = 0;
  std::string Name;  // the driver's description, or the four-character code
};

struct V4l2Standard {
  v4l2_std_id Id = 0;
  std::string Name;
};

std::optional<v4l2_capability> QueryCapability(const V4l2Device& device);
// A node that captures video by streaming (not a metadata or output node).
bool IsStreamingCapture(const v4l2_capability& capability);

// Capture formats that can become 24-bit BGR bitmaps, in the device's order.
std::vector<V4l2PixelFormat> ReadPixelFormats(const V4l2Device& device);
// Frame sizes of one format, narrowest first: the enumerated ones, a stepwise
// range turned into common sizes, or, when the device enumerates none, the
// common sizes it accepts as they are, or at least its current size.
std::vector<FrameSize> ReadFrameSizes(const V4l2Device& device, uint32_t fourcc);
std::vector<V4l2Standard> ReadStandards(const V4l2Device& device);
std::vector<std::string> ReadInputs(const V4l2Device& device);
// Every control the page can show, with its current value and menu.
std::vector<VideoControl> ReadControls(const V4l2Device& device);
std::optional<v4l2_queryctrl> QueryControl(const V4l2Device& device, uint32_t id);
std::optional<v4l2_format> CurrentFormat(const V4l2Device& device);
