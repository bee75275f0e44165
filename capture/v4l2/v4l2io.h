#pragma once
// Every call the V4L2 back end makes to a video device goes through V4l2Io,
// so that tests can put a scripted device in place of the kernel's.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class V4l2Io {
 public:
  virtual ~V4l2Io() = default;

  // Paths of the video device nodes, in number order (/dev/video2 before /dev/video10).
  virtual std::vector<std::string> ListDevices() = 0;

  // The calls below answer as the system calls do: -1 (Mmap: nullptr) with
  // errno set on failure. They may be called from two threads at once (the
  // window's and a stream's reader).
  virtual int Open(const std::string& path) = 0;
  virtual int Close(int fd) = 0;
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
  // Maps length bytes at offset (as VIDIOC_QUERYBUF gives it) for reading and writing, shared.
  virtual void* Mmap(int fd, size_t length, int64_t offset) = 0;
  virtual int Munmap(void* start, size_t length) = 0;
  // Waits at most timeoutMs for the device to become readable; 0 on timeout,
  // 1 with the returned events (POLLIN, POLLERR, ...) in revents.
  virtual int Poll(int fd, int timeoutMs, short& revents) = 0;
  virtual ssize_t Read(int fd, void* buffer, size_t length) = 0;
};

// The real devices, through libv4l2 with its own format conversion switched
// off: lists and frames are the device's own, and the camera converts them.
std::shared_ptr<V4l2Io> SystemV4l2Io();

// Of the names in a folder, the video nodes ("video" and a number) as paths
// in that folder, in number order.
std::vector<std::string> VideoNodePaths(const std::string& folder,
                                        const std::vector<std::string>& names);
