#pragma once
// A device's capture buffers, requested from the driver and mapped into our
// memory; unmapped and given back (VIDIOC_REQBUFS 0) when destroyed.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/v4l2/v4l2device.h"

class MappedBuffers {
 public:
  struct Buffer {
    uint8_t* Start = nullptr;
    size_t Length = 0;
  };

  // Asks for count buffers (the driver may give fewer) and maps each; none,
  // with a Russian error naming the device (deviceName), when any step fails,
  // in which case whatever was requested or mapped is given back.
  static std::unique_ptr<MappedBuffers> Map(const V4l2Device& device, uint32_t count,
                                            const std::string& deviceName, std::string& error);
  ~MappedBuffers();
  MappedBuffers(const MappedBuffers&) = delete;
  MappedBuffers& operator=(const MappedBuffers&) = delete;

  size_t Count() const { return buffers_.size(); }
  const Buffer& At(size_t index) const { return buffers_[index]; }

 private:
  explicit MappedBuffers(const V4l2Device& device) : device_(device) {}
  bool Request(uint32_t count, const std::string& deviceName, std::string& error);
  bool MapOne(uint32_t index, const std::string& deviceName, std::string& error);

  const V4l2Device& device_;
  bool requested_ = false;
  std::vector<Buffer> buffers_;
};
