#pragma once
// One open video device node; closed when destroyed. Everything goes
// through the I/O interface, which the device shares with its streams.

#include <memory>
#include <string>

#include "capture/v4l2/v4l2io.h"

class V4l2Device {
 public:
  // None, with errno set, when the node cannot be opened.
  static std::unique_ptr<V4l2Device> Open(std::shared_ptr<V4l2Io> io, const std::string& path);
  ~V4l2Device();
  V4l2Device(const V4l2Device&) = delete;
  V4l2Device& operator=(const V4l2Device&) = delete;

  // 0, or -1 with errno set.
  int Ioctl(unsigned long request, void* arg) const { return io_->Ioctl(fd_, request, arg); }
  V4l2Io& Io() const { return *io_; }
  int Fd() const { return fd_; }
  const std::string& Path() const { return path_; }

 private:
  V4l2Device(std::shared_ptr<V4l2Io> io, int fd, std::string path);

  std::shared_ptr<V4l2Io> io_;
  int fd_;
  std::string path_;
};

// Why a device call failed, in Russian, from its errno.
std::string DeviceErrorReason(int error);
