#include "capture/v4l2/v4l2io.h"

#include <fcntl.h>
#include <libv4l2.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <utility>

namespace {

class SystemIo : public V4l2Io {
 public:
  std::vector<std::string> ListDevices() override {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error))
      names.push_back(entry.path().filename().string());
    return VideoNodePaths("/dev", names);
  }

  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    // Without conversion libv4l2 lists only the device's own formats and
    // controls (no emulated ones that act only on its own conversion) and
    // hands out raw frames; it still smooths over driver quirks.
    if (v4l2_fd_open(fd, V4L2_DISABLE_CONVERSION) < 0) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
      return -1;
    }
    return fd;
  }

  int Close(int fd) override { return v4l2_close(fd); }

  int Ioctl(int fd, unsigned long request, void* arg) override {
    int result = 0;
    do {
      result = v4l2_ioctl(fd, request, arg);
    } while (result < 0 && errno == EINTR);
    return result;
  }

  void* Mmap(int fd, size_t length, int64_t offset) override {
    void* start = v4l2_mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
    return start == MAP_FAILED ? nullptr : start;
  }

  int Munmap(void* start, size_t length) override { return v4l2_munmap(start, length); }

  int Poll(int fd, int timeoutMs, short& revents) override {
    pollfd entry{fd, POLLIN, 0};
    const int result = ::poll(&entry, 1, timeoutMs);
    revents = result > 0 ? entry.revents : 0;
    return result;
  }

  ssize_t Read(int fd, void* buffer, size_t length) override {
    return v4l2_read(fd, buffer, length);
  }
};

// The number after "video", or -1 when the name is not a video node's.
int VideoNodeNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "video";
  if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0) return -1;
  int number = -1;
  const char* first = name.data() + kPrefix.size();
  const char* last = name.data() + name.size();
  const auto [end, error] = std::from_chars(first, last, number);
  return error == std::errc() && end == last && *first != '-' ? number : -1;
}

}  // namespace

std::shared_ptr<V4l2Io> SystemV4l2Io() { return std::make_shared<SystemIo>(); }

std::vector<std::string> VideoNodePaths(const std::string& folder,
                                        const std::vector<std::string>& names) {
  std::vector<std::pair<int, std::string>> nodes;
  for (const std::string& name : names) {
    const int number = VideoNodeNumber(name);
    if (number >= 0) nodes.emplace_back(number, name);
  }
  std::sort(nodes.begin(), nodes.end());
  std::vector<std::string> paths;
  paths.reserve(nodes.size());
  for (const auto& node : nodes) paths.push_back(folder + "/" + node.second);
  return paths;
}
