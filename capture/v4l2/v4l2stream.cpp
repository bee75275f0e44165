#include "capture/v4l2/v4l2stream.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

namespace {

int LastError() { return errno != 0 ? errno : EIO; }

v4l2_buffer CaptureBuffer(uint32_t index) {
  v4l2_buffer buffer{};
  buffer.index = index;
  buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffer.memory = V4L2_MEMORY_MMAP;
  return buffer;
}

}  // namespace

std::unique_ptr<V4l2Stream> V4l2Stream::Start(const V4l2Device& device,
                                              const v4l2_pix_format& format,
                                              FrameConverter& converter, LatestFrame& latest,
                                              const std::string& deviceName, std::string& error) {
  std::unique_ptr<V4l2Stream> stream(new V4l2Stream(device, format, converter, latest, deviceName));
  if (!stream->Begin(error)) return nullptr;
  return stream;
}

V4l2Stream::V4l2Stream(const V4l2Device& device, const v4l2_pix_format& format,
                       FrameConverter& converter, LatestFrame& latest, std::string deviceName)
    : device_(device),
      format_(format),
      converter_(converter),
      latest_(latest),
      deviceName_(std::move(deviceName)) {}

V4l2Stream::~V4l2Stream() {
  stop_ = true;
  if (reader_.joinable()) reader_.join();
  if (streaming_) {
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    device_.Ioctl(VIDIOC_STREAMOFF, &type);
  }
  buffers_.reset();
}

bool V4l2Stream::Begin(std::string& error) {
  buffers_ = MappedBuffers::Map(device_, kBufferCount, deviceName_, error);
  if (!buffers_ || !QueueAndStream(error)) return false;
  try {
    reader_ = std::thread(&V4l2Stream::Run, this);
  } catch (const std::system_error&) {
    error = "Не удалось запустить приём кадров видеоустройства «" + deviceName_ + "»";
    return false;
  }
  return true;
}

bool V4l2Stream::QueueAndStream(std::string& error) {
  int failure = 0;
  for (uint32_t index = 0; index < buffers_->Count() && failure == 0; ++index) {
    v4l2_buffer buffer = CaptureBuffer(index);
    if (device_.Ioctl(VIDIOC_QBUF, &buffer) < 0) failure = LastError();
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (failure == 0 && device_.Ioctl(VIDIOC_STREAMON, &type) < 0) failure = LastError();
  if (failure != 0) {
    error = "Видеоустройство «" + deviceName_ +
            "» не начало передачу кадров: " + DeviceErrorReason(failure);
    return false;
  }
  streaming_ = true;
  return true;
}

void V4l2Stream::Run() {
  while (!stop_.load()) {
    if (ReadOne() != 0) {
      failed_ = true;
      latest_.Fail("Видеоустройство «" + deviceName_ + "» отключено или не отвечает");
      return;
    }
  }
}

int V4l2Stream::ReadOne() {
  short events = 0;
  const int ready = device_.Io().Poll(device_.Fd(), kPollTimeoutMs, events);
  if (ready < 0) return errno == EINTR ? 0 : LastError();
  if (ready == 0) return 0;
  // A vanished device reports an error on poll (and ENODEV on every call after).
  if ((events & (POLLERR | POLLHUP | POLLNVAL)) != 0) return ENODEV;
  if ((events & POLLIN) == 0) return 0;
  v4l2_buffer buffer = CaptureBuffer(0);
  if (device_.Ioctl(VIDIOC_DQBUF, &buffer) < 0) return errno == EAGAIN ? 0 : LastError();
  Deliver(buffer);
  return device_.Ioctl(VIDIOC_QBUF, &buffer) < 0 ? LastError() : 0;
}

void V4l2Stream::Deliver(const v4l2_buffer& buffer) {
  // The driver marks frames it knows are damaged; an empty one has nothing to show.
  if (buffer.index >= buffers_->Count() || (buffer.flags & V4L2_BUF_FLAG_ERROR) != 0 ||
      buffer.bytesused == 0)
    return;
  const MappedBuffers::Buffer& mapped = buffers_->At(buffer.index);
  const size_t used = std::min<size_t>(buffer.bytesused, mapped.Length);
  if (std::optional<Bitmap> frame = converter_.Convert(format_, mapped.Start, used))
    latest_.Put(std::move(*frame));
}
