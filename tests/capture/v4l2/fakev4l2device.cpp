#include "capture/v4l2/fakev4l2device.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

// Buffer i is mapped at offset i × kOffsetStep, as drivers hand out page offsets.
constexpr int64_t kOffsetStep = 4096;
constexpr uint32_t kIdMask = ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);

int Refuse(int error) {
  errno = error;
  return -1;
}

template <size_t N>
void CopyText(uint8_t (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

uint32_t BytesPerPixel(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_BGR24:
    case V4L2_PIX_FMT_RGB24: return 3;
    case V4L2_PIX_FMT_MJPEG:
    case V4L2_PIX_FMT_JPEG: return 0;
    default: return 2;
  }
}

uint32_t Snap(uint32_t value, uint32_t min, uint32_t max, uint32_t step) {
  value = std::clamp(value, min, max);
  return min + (value - min) / std::max<uint32_t>(step, 1) * std::max<uint32_t>(step, 1);
}

FrameSize Nearest(const std::vector<FrameSize>& sizes, uint32_t width, uint32_t height) {
  FrameSize best = sizes.front();
  int64_t bestDistance = INT64_MAX;
  for (const FrameSize& size : sizes) {
    const int64_t distance =
        std::abs(int64_t{size.Width} - width) + std::abs(int64_t{size.Height} - height);
    if (distance < bestDistance) {
      best = size;
      bestDistance = distance;
    }
  }
  return best;
}

FakeControl Control(uint32_t id, const std::string& name, uint32_t type, int32_t min, int32_t max,
                    int32_t step, int32_t def, uint32_t flags) {
  FakeControl control;
  control.Query.id = id;
  control.Query.type = type;
  CopyText(control.Query.name, name);
  control.Query.minimum = min;
  control.Query.maximum = max;
  control.Query.step = step;
  control.Query.default_value = def;
  control.Query.flags = flags;
  control.Value = def;
  return control;
}

}  // namespace

void FakeV4l2Device::AddNode(const std::string& path, FakeNodeScript script) {
  const std::lock_guard lock(mutex_);
  Node node;
  if (!script.Formats.empty()) {
    const FakeFormat& first = script.Formats.front();
    node.Format.pixelformat = first.Fourcc;
    const FrameSize size = first.Sizes.empty() ? FrameSize{640, 480} : first.Sizes.front();
    node.Format.width = size.Width;
    node.Format.height = size.Height;
  }
  if (!script.Standards.empty()) node.Standard = script.Standards.front().first;
  node.Script = std::move(script);
  nodes_[path] = std::move(node);
  order_.push_back(path);
}

void FakeV4l2Device::Script(const std::string& path,
                            const std::function<void(FakeNodeScript&)>& change) {
  const std::lock_guard lock(mutex_);
  change(nodes_.at(path).Script);
}

bool FakeV4l2Device::PushFrame(const std::vector<uint8_t>& bytes, uint32_t flags) {
  std::unique_lock lock(mutex_);
  Node* node = nullptr;
  size_t index = 0;
  const auto queued = [&] {
    node = StreamingNode();
    if (node == nullptr) return false;
    for (index = 0; index < node->Buffers.size(); ++index)
      if (node->Buffers[index].Where == Buffer::State::Queued) return true;
    return false;
  };
  if (!changed_.wait_for(lock, std::chrono::seconds(5), queued)) return false;
  Buffer& target = node->Buffers[index];
  const size_t count = std::min(bytes.size(), target.Bytes.size());
  std::copy_n(bytes.begin(), count, target.Bytes.begin());
  target.Used = static_cast<uint32_t>(count);
  target.Flags = flags;
  target.Where = Buffer::State::Done;
  node->DoneOrder.push_back(index);
  changed_.notify_all();
  return true;
}

void FakeV4l2Device::Lose(int error, bool viaPoll) {
  const std::lock_guard lock(mutex_);
  lostError_ = error;
  lostViaPoll_ = viaPoll;
  changed_.notify_all();
}

int FakeV4l2Device::OpenFds() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(fds_.size());
}

int FakeV4l2Device::LiveMappings() const {
  const std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& [path, node] : nodes_)
    for (const Buffer& buffer : node.Buffers) count += buffer.Mapped;
  return count;
}

int FakeV4l2Device::AllocatedBuffers() const {
  const std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& [path, node] : nodes_) count += static_cast<int>(node.Buffers.size());
  return count;
}

bool FakeV4l2Device::Streaming() const {
  const std::lock_guard lock(mutex_);
  return std::any_of(nodes_.begin(), nodes_.end(),
                     [](const auto& entry) { return entry.second.Streaming; });
}

int FakeV4l2Device::Misuses() const {
  const std::lock_guard lock(mutex_);
  return misuses_;
}

v4l2_pix_format FakeV4l2Device::Format(const std::string& path) const {
  const std::lock_guard lock(mutex_);
  return nodes_.at(path).Format;
}

int FakeV4l2Device::Calls(unsigned long request) const {
  const std::lock_guard lock(mutex_);
  const auto found = calls_.find(request);
  return found == calls_.end() ? 0 : found->second;
}

std::vector<std::string> FakeV4l2Device::ListDevices() {
  const std::lock_guard lock(mutex_);
  return order_;
}

int FakeV4l2Device::Open(const std::string& path) {
  const std::lock_guard lock(mutex_);
  const auto found = nodes_.find(path);
  if (found == nodes_.end()) return Refuse(ENOENT);
  if (found->second.Script.OpenError != 0) return Refuse(found->second.Script.OpenError);
  ++found->second.OpenCount;
  fds_[nextFd_] = path;
  return nextFd_++;
}

int FakeV4l2Device::Close(int fd) {
  const std::lock_guard lock(mutex_);
  Node* node = NodeOf(fd);
  if (node == nullptr) return Refuse(EBADF);
  fds_.erase(fd);
  if (--node->OpenCount > 0) return 0;
  // The kernel frees a closed device's buffers; still-mapped ones would
  // outlive it, which our code must never leave behind.
  const bool mapped = std::any_of(node->Buffers.begin(), node->Buffers.end(),
                                  [](const Buffer& b) { return b.Mapped > 0; });
  if (mapped) ++misuses_;
  node->Streaming = false;
  if (!mapped) node->Buffers.clear();
  node->DoneOrder.clear();
  return 0;
}

int FakeV4l2Device::Ioctl(int fd, unsigned long request, void* arg) {
  const std::lock_guard lock(mutex_);
  ++calls_[request];
  Node* node = NodeOf(fd);
  if (node == nullptr) return Refuse(EBADF);
  if (lostError_ != 0) return Refuse(lostError_);
  const int result = Answer(*node, request, arg);
  changed_.notify_all();
  return result;
}

void* FakeV4l2Device::Mmap(int fd, size_t length, int64_t offset) {
  const std::lock_guard lock(mutex_);
  Node* node = NodeOf(fd);
  const int64_t index = offset / kOffsetStep;
  if (node == nullptr || offset % kOffsetStep != 0 || index < 0 ||
      index >= static_cast<int64_t>(node->Buffers.size()) ||
      length != node->Buffers[index].Bytes.size()) {
    errno = EINVAL;
    return nullptr;
  }
  if (index == node->Script.MmapFailsAt) {
    errno = ENOMEM;
    return nullptr;
  }
  ++node->Buffers[index].Mapped;
  return node->Buffers[index].Bytes.data();
}

int FakeV4l2Device::Munmap(void* start, size_t length) {
  const std::lock_guard lock(mutex_);
  for (auto& [path, node] : nodes_)
    for (Buffer& buffer : node.Buffers)
      if (buffer.Bytes.data() == start && buffer.Bytes.size() == length && buffer.Mapped > 0) {
        --buffer.Mapped;
        return 0;
      }
  ++misuses_;
  return Refuse(EINVAL);
}

int FakeV4l2Device::Poll(int fd, int timeoutMs, short& revents) {
  std::unique_lock lock(mutex_);
  revents = 0;
  const auto ready = [&] {
    Node* node = NodeOf(fd);
    return lostError_ != 0 || node == nullptr || !node->Streaming || !node->DoneOrder.empty();
  };
  if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) return 0;
  Node* node = NodeOf(fd);
  if (node == nullptr)
    revents = POLLNVAL;
  else if (lostError_ != 0)
    revents = lostViaPoll_ ? POLLERR : POLLIN;
  else if (!node->Streaming)
    revents = POLLERR;  // as the kernel answers a stopped queue
  else
    revents = POLLIN | POLLRDNORM;
  return 1;
}

ssize_t FakeV4l2Device::Read(int /*fd*/, void* /*buffer*/, size_t /*length*/) {
  return Refuse(EINVAL);  // streaming only, like many cameras
}

FakeV4l2Device::Node* FakeV4l2Device::NodeOf(int fd) {
  const auto found = fds_.find(fd);
  return found == fds_.end() ? nullptr : &nodes_.at(found->second);
}

FakeV4l2Device::Node* FakeV4l2Device::StreamingNode() {
  for (auto& [path, node] : nodes_)
    if (node.Streaming) return &node;
  return nullptr;
}

int FakeV4l2Device::Answer(Node& node, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_QUERYCAP:
    case VIDIOC_ENUMSTD:
    case VIDIOC_G_STD:
    case VIDIOC_S_STD:
    case VIDIOC_ENUMINPUT:
    case VIDIOC_G_INPUT:
    case VIDIOC_S_INPUT: return AnswerDevice(node, request, arg);
    case VIDIOC_ENUM_FMT:
    case VIDIOC_ENUM_FRAMESIZES:
    case VIDIOC_G_FMT:
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: return AnswerFormat(node, request, arg);
    case VIDIOC_REQBUFS:
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF:
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF: return AnswerBuffers(node, request, arg);
    case VIDIOC_QUERYCTRL:
    case VIDIOC_QUERYMENU:
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: return AnswerControls(node, request, arg);
    default: return Refuse(ENOTTY);
  }
}

int FakeV4l2Device::AnswerDevice(Node& node, unsigned long request, void* arg) {
  const auto& standards = node.Script.Standards;
  const auto& inputs = node.Script.Inputs;
  switch (request) {
    case VIDIOC_QUERYCAP: return QueryCap(node, *static_cast<v4l2_capability*>(arg));
    case VIDIOC_ENUMSTD: {
      auto& standard = *static_cast<v4l2_standard*>(arg);
      if (standard.index >= standards.size()) return Refuse(EINVAL);
      standard.id = standards[standard.index].first;
      CopyText(standard.name, standards[standard.index].second);
      return 0;
    }
    case VIDIOC_G_STD:
      if (standards.empty()) return Refuse(ENODATA);
      *static_cast<v4l2_std_id*>(arg) = node.Standard;
      return 0;
    case VIDIOC_S_STD: {
      const v4l2_std_id wanted = *static_cast<v4l2_std_id*>(arg);
      if (standards.empty()) return Refuse(ENODATA);
      if (node.Streaming) return Refuse(EBUSY);
      const bool known = std::any_of(standards.begin(), standards.end(),
                                     [&](const auto& s) { return (s.first & wanted) != 0; });
      if (!known) return Refuse(EINVAL);
      node.Standard = wanted;
      return 0;
    }
    case VIDIOC_ENUMINPUT: {
      auto& input = *static_cast<v4l2_input*>(arg);
      if (input.index >= inputs.size()) return Refuse(EINVAL);
      CopyText(input.name, inputs[input.index]);
      input.type = V4L2_INPUT_TYPE_CAMERA;
      input.std = standards.empty() ? 0 : V4L2_STD_ALL;
      return 0;
    }
    case VIDIOC_G_INPUT: *static_cast<int*>(arg) = node.Input; return 0;
    default: {  // VIDIOC_S_INPUT
      const int wanted = *static_cast<int*>(arg);
      if (wanted < 0 || static_cast<size_t>(wanted) >= std::max<size_t>(inputs.size(), 1))
        return Refuse(EINVAL);
      if (node.Streaming) return Refuse(EBUSY);
      node.Input = wanted;
      return 0;
    }
  }
}

int FakeV4l2Device::AnswerFormat(Node& node, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_ENUM_FMT: return EnumFormat(node, *static_cast<v4l2_fmtdesc*>(arg));
    case VIDIOC_ENUM_FRAMESIZES: return EnumSizes(node, *static_cast<v4l2_frmsizeenum*>(arg));
    case VIDIOC_G_FMT: {
      auto& format = *static_cast<v4l2_format*>(arg);
      if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return Refuse(EINVAL);
      format.fmt.pix = node.Format;
      return 0;
    }
    case VIDIOC_TRY_FMT: return FitFormat(node, *static_cast<v4l2_format*>(arg), false);
    default: return FitFormat(node, *static_cast<v4l2_format*>(arg), true);
  }
}

int FakeV4l2Device::AnswerBuffers(Node& node, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_REQBUFS: return RequestBuffers(node, *static_cast<v4l2_requestbuffers*>(arg));
    case VIDIOC_QUERYBUF: {
      auto& buffer = *static_cast<v4l2_buffer*>(arg);
      if (buffer.index >= node.Buffers.size()) return Refuse(EINVAL);
      buffer.length = static_cast<uint32_t>(node.Buffers[buffer.index].Bytes.size());
      buffer.m.offset = static_cast<uint32_t>(buffer.index * kOffsetStep);
      return 0;
    }
    case VIDIOC_QBUF: return QueueBuffer(node, *static_cast<v4l2_buffer*>(arg));
    case VIDIOC_DQBUF: return DequeueBuffer(node, *static_cast<v4l2_buffer*>(arg));
    case VIDIOC_STREAMON: return SetStreaming(node, true);
    default: return SetStreaming(node, false);
  }
}

int FakeV4l2Device::AnswerControls(Node& node, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_QUERYCTRL: return QueryControl(node, *static_cast<v4l2_queryctrl*>(arg));
    case VIDIOC_QUERYMENU: return QueryMenu(node, *static_cast<v4l2_querymenu*>(arg));
    default: break;
  }
  auto& value = *static_cast<v4l2_control*>(arg);
  FakeControl* control = FindControl(node, value.id);
  if (control == nullptr) return Refuse(EINVAL);
  const uint32_t flags = control->Query.flags;
  if (request == VIDIOC_G_CTRL) {
    if ((flags & V4L2_CTRL_FLAG_WRITE_ONLY) != 0) return Refuse(EACCES);
    value.value = control->Value;
    return 0;
  }
  if ((flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_DISABLED)) != 0) return Refuse(EACCES);
  if (value.value < control->Query.minimum || value.value > control->Query.maximum)
    return Refuse(ERANGE);
  control->Value = value.value;
  return 0;
}

int FakeV4l2Device::QueryCap(const Node& node, v4l2_capability& cap) const {
  cap = {};
  CopyText(cap.driver, "fakecam");
  CopyText(cap.card, node.Script.Card);
  CopyText(cap.bus_info, "platform:fakecam");
  cap.version = 0x060100;
  cap.device_caps = node.Script.DeviceCaps;
  cap.capabilities = node.Script.DeviceCaps | V4L2_CAP_DEVICE_CAPS;
  return 0;
}

int FakeV4l2Device::EnumFormat(const Node& node, v4l2_fmtdesc& desc) const {
  const auto& formats = node.Script.Formats;
  if (desc.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || desc.index >= formats.size())
    return Refuse(EINVAL);
  const FakeFormat& format = formats[desc.index];
  desc.pixelformat = format.Fourcc;
  desc.flags = format.Flags;
  CopyText(desc.description, format.Description);
  return 0;
}

int FakeV4l2Device::EnumSizes(const Node& node, v4l2_frmsizeenum& entry) const {
  const auto& formats = node.Script.Formats;
  const auto format = std::find_if(formats.begin(), formats.end(), [&](const FakeFormat& f) {
    return f.Fourcc == entry.pixel_format;
  });
  if (format == formats.end()) return Refuse(EINVAL);
  if (format->Stepwise) {
    if (entry.index != 0) return Refuse(EINVAL);
    const bool continuous = format->Stepwise->step_width == 1 && format->Stepwise->step_height == 1;
    entry.type = continuous ? V4L2_FRMSIZE_TYPE_CONTINUOUS : V4L2_FRMSIZE_TYPE_STEPWISE;
    entry.stepwise = *format->Stepwise;
    return 0;
  }
  if (entry.index >= format->Sizes.size()) return Refuse(EINVAL);
  entry.type = V4L2_FRMSIZE_TYPE_DISCRETE;
  entry.discrete.width = format->Sizes[entry.index].Width;
  entry.discrete.height = format->Sizes[entry.index].Height;
  return 0;
}

// Like a driver: an unknown format becomes the first, the size the nearest
// the device has, and the row length and image size follow.
int FakeV4l2Device::FitFormat(Node& node, v4l2_format& format, bool apply) {
  if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || node.Script.Formats.empty())
    return Refuse(EINVAL);
  if (apply && node.Script.SetFormatError != 0) return Refuse(node.Script.SetFormatError);
  // vb2 refuses a new format while buffers exist.
  if (apply && !node.Buffers.empty()) return Refuse(EBUSY);
  v4l2_pix_format& pix = format.fmt.pix;
  const auto& formats = node.Script.Formats;
  auto chosen = std::find_if(formats.begin(), formats.end(),
                             [&](const FakeFormat& f) { return f.Fourcc == pix.pixelformat; });
  if (chosen == formats.end()) chosen = formats.begin();
  pix.pixelformat = chosen->Fourcc;
  if (const auto& range = chosen->Stepwise) {
    pix.width = Snap(pix.width, range->min_width, range->max_width, range->step_width);
    pix.height = Snap(pix.height, range->min_height, range->max_height, range->step_height);
  } else if (!chosen->Sizes.empty()) {
    const FrameSize size = Nearest(chosen->Sizes, pix.width, pix.height);
    pix.width = size.Width;
    pix.height = size.Height;
  }
  pix.field = V4L2_FIELD_NONE;
  const uint32_t depth = BytesPerPixel(pix.pixelformat);
  pix.bytesperline = depth == 0 ? 0 : pix.width * depth + node.Script.BytesPerLinePadding;
  pix.sizeimage = depth == 0 ? pix.width * pix.height * 2 : pix.bytesperline * pix.height;
  if (apply) node.Format = pix;
  return 0;
}

int FakeV4l2Device::RequestBuffers(Node& node, v4l2_requestbuffers& request) {
  if (request.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || request.memory != V4L2_MEMORY_MMAP)
    return Refuse(EINVAL);
  if (node.Streaming) return Refuse(EBUSY);
  // vb2 keeps buffers that are still mapped and refuses to free or replace them.
  for (const Buffer& buffer : node.Buffers)
    if (buffer.Mapped > 0) return Refuse(EBUSY);
  node.Buffers.clear();
  node.DoneOrder.clear();
  request.count = std::min(request.count, node.Script.BuffersGranted);
  node.Buffers.resize(request.count);
  for (Buffer& buffer : node.Buffers) buffer.Bytes.assign(node.Format.sizeimage, 0);
  return 0;
}

int FakeV4l2Device::QueueBuffer(Node& node, v4l2_buffer& buffer) {
  if (buffer.index >= node.Buffers.size() || buffer.memory != V4L2_MEMORY_MMAP)
    return Refuse(EINVAL);
  Buffer& target = node.Buffers[buffer.index];
  if (target.Where != Buffer::State::Idle) return Refuse(EINVAL);
  target.Where = Buffer::State::Queued;
  return 0;
}

int FakeV4l2Device::DequeueBuffer(Node& node, v4l2_buffer& buffer) {
  if (!node.Streaming) return Refuse(EINVAL);
  if (node.DoneOrder.empty()) return Refuse(EAGAIN);
  const size_t index = node.DoneOrder.front();
  node.DoneOrder.erase(node.DoneOrder.begin());
  Buffer& done = node.Buffers[index];
  done.Where = Buffer::State::Idle;
  buffer.index = static_cast<uint32_t>(index);
  buffer.bytesused = done.Used;
  buffer.flags = done.Flags;
  buffer.length = static_cast<uint32_t>(done.Bytes.size());
  return 0;
}

int FakeV4l2Device::SetStreaming(Node& node, bool on) {
  if (on) {
    if (node.Script.StreamOnError != 0) return Refuse(node.Script.StreamOnError);
    if (node.Buffers.empty()) return Refuse(EINVAL);
    node.Streaming = true;
    return 0;
  }
  // Stream off gives every buffer back to the application, as vb2 does.
  node.Streaming = false;
  node.DoneOrder.clear();
  for (Buffer& buffer : node.Buffers) buffer.Where = Buffer::State::Idle;
  return 0;
}

int FakeV4l2Device::QueryControl(const Node& node, v4l2_queryctrl& query) const {
  const uint32_t id = query.id & kIdMask;
  const bool next = (query.id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
  const FakeControl* best = nullptr;
  for (const FakeControl& control : node.Script.Controls) {
    const uint32_t candidate = control.Query.id;
    if (next ? (candidate > id && (best == nullptr || candidate < best->Query.id))
             : candidate == id)
      best = &control;
  }
  if (best == nullptr) return Refuse(EINVAL);
  query = best->Query;
  return 0;
}

int FakeV4l2Device::QueryMenu(const Node& node, v4l2_querymenu& item) const {
  for (const FakeControl& control : node.Script.Controls) {
    if (control.Query.id != item.id) continue;
    const auto entry = control.Menu.find(item.index);
    if (entry == control.Menu.end()) return Refuse(EINVAL);
    if (control.Query.type == V4L2_CTRL_TYPE_INTEGER_MENU)
      item.value = std::stoll(entry->second);
    else {
      // A packed structure: no reference to its name, so the text is copied in place.
      std::memset(item.name, 0, sizeof(item.name));
      std::memcpy(item.name, entry->second.data(),
                  std::min(entry->second.size(), sizeof(item.name) - 1));
    }
    return 0;
  }
  return Refuse(EINVAL);
}

FakeControl* FakeV4l2Device::FindControl(Node& node, uint32_t id) {
  for (FakeControl& control : node.Script.Controls)
    if (control.Query.id == id) return &control;
  return nullptr;
}

FakeControl IntegerControl(uint32_t id, const std::string& name, int32_t min, int32_t max,
                           int32_t step, int32_t def, int32_t value, uint32_t flags) {
  FakeControl control = Control(id, name, V4L2_CTRL_TYPE_INTEGER, min, max, step, def, flags);
  control.Value = value;
  return control;
}

FakeControl BooleanControl(uint32_t id, const std::string& name, bool value, uint32_t flags) {
  FakeControl control = Control(id, name, V4L2_CTRL_TYPE_BOOLEAN, 0, 1, 1, 0, flags);
  control.Value = value ? 1 : 0;
  return control;
}

FakeControl MenuControl(uint32_t id, const std::string& name, int32_t min, int32_t max,
                        int32_t value, std::map<uint32_t, std::string> menu) {
  FakeControl control = Control(id, name, V4L2_CTRL_TYPE_MENU, min, max, 1, min, 0);
  control.Value = value;
  control.Menu = std::move(menu);
  return control;
}

FakeControl TypedControl(uint32_t id, const std::string& name, uint32_t type, uint32_t flags) {
  return Control(id, name, type, 0, 0, 0, 0, flags);
}
