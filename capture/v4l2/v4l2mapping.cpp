#include "capture/v4l2/v4l2mapping.h"

#include <algorithm>
#include <iterator>

namespace {

std::optional<VideoControl::Kind> ControlKind(uint32_t type) {
  switch (type) {
    case V4L2_CTRL_TYPE_INTEGER: return VideoControl::Kind::Integer;
    case V4L2_CTRL_TYPE_BOOLEAN: return VideoControl::Kind::Boolean;
    case V4L2_CTRL_TYPE_MENU:
    case V4L2_CTRL_TYPE_INTEGER_MENU: return VideoControl::Kind::Menu;
    default: return std::nullopt;
  }
}

// The largest value of min + k * step not above max (max itself when the
// range is continuous); a zero step counts as 1.
uint32_t LastOnGrid(uint32_t min, uint32_t max, uint32_t step) {
  if (max <= min) return min;
  step = std::max<uint32_t>(step, 1);
  return min + (max - min) / step * step;
}

bool OnGrid(uint32_t value, uint32_t min, uint32_t max, uint32_t step) {
  return value >= min && value <= max && (value - min) % std::max<uint32_t>(step, 1) == 0;
}

}  // namespace

bool MappableControl(const v4l2_queryctrl& query) {
  return (query.flags & V4L2_CTRL_FLAG_DISABLED) == 0 && ControlKind(query.type).has_value();
}

std::optional<VideoControl> ToVideoControl(const v4l2_queryctrl& query, int32_t value,
                                           ControlMenu menu) {
  if (!MappableControl(query)) return std::nullopt;
  VideoControl control;
  control.Id = query.id;
  control.Name = FieldText(query.name);
  control.Type = *ControlKind(query.type);
  control.Minimum = query.minimum;
  control.Maximum = query.maximum;
  control.Step = query.step > 0 ? query.step : 1;
  control.Default = query.default_value;
  control.Value = value;
  // An inactive control (its automatic mode is on) or one grabbed by the
  // running stream can be looked at but not changed, like a read-only one.
  control.ReadOnly = (query.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_INACTIVE |
                                     V4L2_CTRL_FLAG_GRABBED)) != 0;
  if (control.Type == VideoControl::Kind::Menu) control.MenuItems = std::move(menu);
  return control;
}

std::string MenuItemText(const v4l2_queryctrl& query, const v4l2_querymenu& item) {
  if (query.type == V4L2_CTRL_TYPE_INTEGER_MENU) {
    const int64_t number = item.value;
    return std::to_string(number);
  }
  // v4l2_querymenu is packed: read its name in place rather than bind a reference to it.
  const char* name = reinterpret_cast<const char*>(item.name);
  return std::string(name, strnlen(name, sizeof(item.name)));
}

const std::vector<FrameSize>& CommonFrameSizes() {
  static const std::vector<FrameSize> sizes = {
      {160, 120},   {176, 144},   {320, 240},   {352, 288},   {640, 360},   {640, 480},
      {720, 480},   {720, 576},   {800, 600},   {1024, 768},  {1280, 720},  {1280, 960},
      {1280, 1024}, {1600, 1200}, {1920, 1080}, {2048, 1536}, {2560, 1440}, {2560, 1920},
      {2592, 1944}, {3264, 2448}, {3840, 2160}, {4096, 3072}};
  return sizes;
}

std::vector<FrameSize> StepwiseFrameSizes(const v4l2_frmsize_stepwise& range) {
  const uint32_t lastWidth = LastOnGrid(range.min_width, range.max_width, range.step_width);
  const uint32_t lastHeight = LastOnGrid(range.min_height, range.max_height, range.step_height);
  std::vector<FrameSize> sizes = {
      {static_cast<int>(range.min_width), static_cast<int>(range.min_height)},
      {static_cast<int>(lastWidth), static_cast<int>(lastHeight)}};
  for (const FrameSize& size : CommonFrameSizes()) {
    if (OnGrid(size.Width, range.min_width, lastWidth, range.step_width) &&
        OnGrid(size.Height, range.min_height, lastHeight, range.step_height))
      sizes.push_back(size);
  }
  const auto narrower = [](const FrameSize& a, const FrameSize& b) {
    return std::pair(a.Width, a.Height) < std::pair(b.Width, b.Height);
  };
  std::sort(sizes.begin(), sizes.end(), narrower);
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  std::erase_if(sizes, [](const FrameSize& s) { return s.Width <= 0 || s.Height <= 0; });
  return sizes;
}

bool ConvertibleFormat(const v4l2_fmtdesc& format) {
  // Formats libv4lconvert turns into BGR24 in general (not only for one
  // driver), and BGR24/RGB24, which are copied directly.
  static const uint32_t kConvertible[] = {
      V4L2_PIX_FMT_BGR24,  V4L2_PIX_FMT_RGB24,  V4L2_PIX_FMT_YUYV,   V4L2_PIX_FMT_YVYU,
      V4L2_PIX_FMT_UYVY,   V4L2_PIX_FMT_YUV420, V4L2_PIX_FMT_YVU420, V4L2_PIX_FMT_NV12,
      V4L2_PIX_FMT_RGB565, V4L2_PIX_FMT_BGR32,  V4L2_PIX_FMT_RGB32,  V4L2_PIX_FMT_XBGR32,
      V4L2_PIX_FMT_XRGB32, V4L2_PIX_FMT_ABGR32, V4L2_PIX_FMT_ARGB32, V4L2_PIX_FMT_MJPEG,
      V4L2_PIX_FMT_JPEG,   V4L2_PIX_FMT_SBGGR8, V4L2_PIX_FMT_SGBRG8, V4L2_PIX_FMT_SGRBG8,
      V4L2_PIX_FMT_SRGGB8, V4L2_PIX_FMT_GREY};
  if ((format.flags & V4L2_FMT_FLAG_EMULATED) != 0) return false;
  return std::find(std::begin(kConvertible), std::end(kConvertible), format.pixelformat) !=
         std::end(kConvertible);
}

std::string FourccText(uint32_t fourcc) {
  std::string text;
  for (int shift = 0; shift < 32; shift += 8) text += static_cast<char>((fourcc >> shift) & 0xff);
  return text;
}

int StandardIndex(const std::vector<v4l2_std_id>& standards, v4l2_std_id current) {
  const auto exact = std::find(standards.begin(), standards.end(), current);
  if (exact != standards.end()) return static_cast<int>(exact - standards.begin());
  for (size_t i = 0; i < standards.size(); ++i)
    if ((standards[i] & current) != 0) return static_cast<int>(i);
  return -1;
}
