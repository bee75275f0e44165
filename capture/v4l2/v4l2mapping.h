#pragma once
// Pure translations from V4L2's structures to the records the capture page
// works with; no device is touched here.

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "capture/video/videosource.h"

// A menu control's entries: value and text, as VideoControl::MenuItems holds them.
using ControlMenu = std::vector<std::pair<int32_t, std::string>>;

// Whether the page can show a control of this kind: not a class heading, not
// disabled, and of integer, boolean, menu or integer-menu type.
bool MappableControl(const v4l2_queryctrl& query);

// The control as the page shows it, or none when MappableControl is false.
// value: the current value (pass the default when it cannot be read);
// menu: the menu's entries as value and text (ignored for other kinds).
std::optional<VideoControl> ToVideoControl(const v4l2_queryctrl& query, int32_t value,
                                           ControlMenu menu);

// Text of one menu entry: its name, or for an integer menu its number.
std::string MenuItemText(const v4l2_queryctrl& query, const v4l2_querymenu& item);

// Common frame sizes that lie on the grid of a stepwise or continuous range
// (minimum + a multiple of the step, up to the maximum), together with the
// range's smallest and largest grid size; narrowest first.
std::vector<FrameSize> StepwiseFrameSizes(const v4l2_frmsize_stepwise& range);

// The common sizes tried when a device cannot enumerate its sizes, narrowest first.
const std::vector<FrameSize>& CommonFrameSizes();

// Whether frames in this format can be turned into 24-bit BGR bitmaps here
// (YUV, RGB, grey, 8-bit Bayer, (motion) JPEG); not H.264 and the like.
bool ConvertibleFormat(const v4l2_fmtdesc& format);

// Four-character code as text, e.g. "YUYV".
std::string FourccText(uint32_t fourcc);

// Index of the standard that is the current one: the exact match, otherwise
// the first that shares a bit with it; -1 when none does.
int StandardIndex(const std::vector<v4l2_std_id>& standards, v4l2_std_id current);

// A fixed-size V4L2 text field as a string (drivers do not always end it with a zero).
template <size_t N>
std::string FieldText(const uint8_t (&field)[N]) {
  const char* text = reinterpret_cast<const char*>(field);
  return std::string(text, strnlen(text, N));
}
