#include "capture/v4l2/v4l2buffers.h"

#include <linux/videodev2.h>

#include <cerrno>

std::unique_ptr<MappedBuffers> MappedBuffers::Map(const V4l2Device& device, uint32_t count,
                                                  const std::string& deviceName,
                                                  std::string& error) {
  std::unique_ptr<MappedBuffers> buffers(new MappedBuffers(device));
  if (!buffers->Request(count, deviceName, error)) return nullptr;
  for (uint32_t index = 0; index < buffers->Count(); ++index)
    if (!buffers->MapOne(index, deviceName, error)) return nullptr;
  return buffers;
}

MappedBuffers::~MappedBuffers() {
  // Unmapped first: a driver keeps buffers that are still mapped and refuses to free them.
  for (const Buffer& buffer : buffers_)
    if (buffer.Start != nullptr) device_.Io().Munmap(buffer.Start, buffer.Length);
  if (!requested_) return;
  v4l2_requestbuffers none{};
  none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  none.memory = V4L2_MEMORY_MMAP;
  device_.Ioctl(VIDIOC_REQBUFS, &none);
}

bool MappedBuffers::Request(uint32_t count, const std::string& deviceName, std::string& error) {
  v4l2_requestbuffers request{};
  request.count = count;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (device_.Ioctl(VIDIOC_REQBUFS, &request) < 0) {
    const std::string reason = DeviceErrorReason(errno);
    error = "Видеоустройство «" + deviceName + "» не выделило буферы для кадров: " + reason;
    return false;
  }
  requested_ = true;
  if (request.count == 0) {
    error = "Видеоустройство «" + deviceName + "» не выделило ни одного буфера для кадров";
    return false;
  }
  buffers_.resize(request.count);
  return true;
}

bool MappedBuffers::MapOne(uint32_t index, const std::string& deviceName, std::string& error) {
  v4l2_buffer query{};
  query.index = index;
  query.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  query.memory = V4L2_MEMORY_MMAP;
  void* start = nullptr;
  if (device_.Ioctl(VIDIOC_QUERYBUF, &query) == 0)
    start = device_.Io().Mmap(device_.Fd(), query.length, query.m.offset);
  if (start == nullptr) {
    const std::string reason = DeviceErrorReason(errno);
    error = "Не удалось отобразить в память буферы видеоустройства «" + deviceName + "»: " + reason;
    return false;
  }
  buffers_[index] = {static_cast<uint8_t*>(start), query.length};
  return true;
}
