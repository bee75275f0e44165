#include "capture/v4l2/v4l2query.h"

#include <algorithm>

#include "capture/v4l2/v4l2mapping.h"

namespace {

// Upper bound on any enumeration, against a driver that never says "no more".
constexpr uint32_t kMaxEntries = 1024;

std::vector<FrameSize> Sorted(std::vector<FrameSize> sizes) {
  std::sort(sizes.begin(), sizes.end(), [](const FrameSize& a, const FrameSize& b) {
    return std::pair(a.Width, a.Height) < std::pair(b.Width, b.Height);
  });
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

std::vector<FrameSize> EnumeratedSizes(const V4l2Device& device, uint32_t fourcc) {
  std::vector<FrameSize> sizes;
  for (uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_frmsizeenum entry{};
    entry.index = index;
    entry.pixel_format = fourcc;
    if (device.Ioctl(VIDIOC_ENUM_FRAMESIZES, &entry) < 0) break;
    if (entry.type != V4L2_FRMSIZE_TYPE_DISCRETE) return StepwiseFrameSizes(entry.stepwise);
    sizes.push_back(
        {static_cast<int>(entry.discrete.width), static_cast<int>(entry.discrete.height)});
  }
  return Sorted(std::move(sizes));
}

// For devices without size enumeration (many analogue capture cards).
std::vector<FrameSize> AcceptedCommonSizes(const V4l2Device& device, uint32_t fourcc) {
  std::vector<FrameSize> sizes;
  for (const FrameSize& size : CommonFrameSizes()) {
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = size.Width;
    format.fmt.pix.height = size.Height;
    format.fmt.pix.pixelformat = fourcc;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (device.Ioctl(VIDIOC_TRY_FMT, &format) == 0 && format.fmt.pix.pixelformat == fourcc &&
        FrameSize{static_cast<int>(format.fmt.pix.width),
                  static_cast<int>(format.fmt.pix.height)} == size)
      sizes.push_back(size);
  }
  return sizes;
}

std::vector<v4l2_queryctrl> QueriesByNextFlag(const V4l2Device& device) {
  std::vector<v4l2_queryctrl> queries;
  uint32_t id = 0;
  for (uint32_t count = 0; count < kMaxEntries; ++count) {
    v4l2_queryctrl query{};
    query.id = id | V4L2_CTRL_FLAG_NEXT_CTRL;
    // A driver that answers with the same id again would loop for ever.
    if (device.Ioctl(VIDIOC_QUERYCTRL, &query) < 0 || query.id <= id) break;
    queries.push_back(query);
    id = query.id;
  }
  return queries;
}

// For old drivers without V4L2_CTRL_FLAG_NEXT_CTRL: the user controls and the private ones.
std::vector<v4l2_queryctrl> QueriesById(const V4l2Device& device) {
  std::vector<v4l2_queryctrl> queries;
  for (uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id)
    if (auto query = QueryControl(device, id)) queries.push_back(*query);
  for (uint32_t id = V4L2_CID_PRIVATE_BASE; id < V4L2_CID_PRIVATE_BASE + kMaxEntries; ++id) {
    auto query = QueryControl(device, id);
    if (!query) break;
    queries.push_back(*query);
  }
  return queries;
}

int32_t CurrentValue(const V4l2Device& device, const v4l2_queryctrl& query) {
  if ((query.flags & V4L2_CTRL_FLAG_WRITE_ONLY) != 0) return query.default_value;
  v4l2_control control{query.id, 0};
  return device.Ioctl(VIDIOC_G_CTRL, &control) == 0 ? control.value : query.default_value;
}

ControlMenu ReadMenu(const V4l2Device& device, const v4l2_queryctrl& query) {
  ControlMenu items;
  if (query.type != V4L2_CTRL_TYPE_MENU && query.type != V4L2_CTRL_TYPE_INTEGER_MENU) return items;
  const int64_t last = std::min<int64_t>(query.maximum, int64_t{query.minimum} + kMaxEntries);
  for (int64_t index = std::max(query.minimum, 0); index <= last; ++index) {
    v4l2_querymenu item{};
    item.id = query.id;
    item.index = static_cast<uint32_t>(index);
    // Menus may have gaps (exposure: 1 manual, 3 aperture priority); those entries fail.
    if (device.Ioctl(VIDIOC_QUERYMENU, &item) == 0)
      items.emplace_back(static_cast<int32_t>(index), MenuItemText(query, item));
  }
  return items;
}

}  // namespace

std::optional<v4l2_capability> QueryCapability(const V4l2Device& device) {
  v4l2_capability capability{};
  if (device.Ioctl(VIDIOC_QUERYCAP, &capability) < 0) return std::nullopt;
  return capability;
}

bool IsStreamingCapture(const v4l2_capability& capability) {
  // A node's own abilities; capabilities covers the whole physical device.
  const uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0
                            ? capability.device_caps
                            : capability.capabilities;
  return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0 && (caps & V4L2_CAP_STREAMING) != 0;
}

std::vector<V4l2PixelFormat> ReadPixelFormats(const V4l2Device& device) {
  std::vector<V4l2PixelFormat> formats;
  for (uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_fmtdesc description{};
    description.index = index;
    description.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (device.Ioctl(VIDIOC_ENUM_FMT, &description) < 0) break;
    if (!ConvertibleFormat(description)) continue;
    std::string name = FieldText(description.description);
    formats.push_back({description.pixelformat,
                       name.empty() ? FourccText(description.pixelformat) : std::move(name)});
  }
  return formats;
}

std::vector<FrameSize> ReadFrameSizes(const V4l2Device& device, uint32_t fourcc) {
  std::vector<FrameSize> sizes = EnumeratedSizes(device, fourcc);
  if (sizes.empty()) sizes = AcceptedCommonSizes(device, fourcc);
  if (sizes.empty()) {
    if (const auto format = CurrentFormat(device); format && format->fmt.pix.width > 0)
      sizes.push_back(
          {static_cast<int>(format->fmt.pix.width), static_cast<int>(format->fmt.pix.height)});
  }
  return sizes;
}

std::vector<V4l2Standard> ReadStandards(const V4l2Device& device) {
  std::vector<V4l2Standard> standards;
  for (uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_standard standard{};
    standard.index = index;
    if (device.Ioctl(VIDIOC_ENUMSTD, &standard) < 0) break;
    standards.push_back({standard.id, FieldText(standard.name)});
  }
  return standards;
}

std::vector<std::string> ReadInputs(const V4l2Device& device) {
  std::vector<std::string> inputs;
  for (uint32_t index = 0; index < kMaxEntries; ++index) {
    v4l2_input input{};
    input.index = index;
    if (device.Ioctl(VIDIOC_ENUMINPUT, &input) < 0) break;
    inputs.push_back(FieldText(input.name));
  }
  return inputs;
}

std::vector<VideoControl> ReadControls(const V4l2Device& device) {
  std::vector<v4l2_queryctrl> queries = QueriesByNextFlag(device);
  if (queries.empty()) queries = QueriesById(device);
  std::vector<VideoControl> controls;
  for (const v4l2_queryctrl& query : queries) {
    if (!MappableControl(query)) continue;
    if (auto control = ToVideoControl(query, CurrentValue(device, query), ReadMenu(device, query)))
      controls.push_back(std::move(*control));
  }
  return controls;
}

std::optional<v4l2_queryctrl> QueryControl(const V4l2Device& device, uint32_t id) {
  v4l2_queryctrl query{};
  query.id = id;
  if (device.Ioctl(VIDIOC_QUERYCTRL, &query) < 0) return std::nullopt;
  return query;
}

std::optional<v4l2_format> CurrentFormat(const V4l2Device& device) {
  v4l2_format format{};
  format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (device.Ioctl(VIDIOC_G_FMT, &format) < 0) return std::nullopt;
  return format;
}
