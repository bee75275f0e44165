#include "formats/versionrecordsource.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

VersionInfoOsError::VersionInfoOsError(int code, const std::string& path)
    : std::runtime_error(path + ": " + std::strerror(code)), code_(code) {}

std::vector<uint8_t> MemoryImageSource::Read(uint64_t offset, size_t size) {
  if (offset >= bytes_.size()) return {};
  const size_t count = std::min<uint64_t>(size, bytes_.size() - offset);
  const auto from = bytes_.begin() + static_cast<ptrdiff_t>(offset);
  return {from, from + static_cast<ptrdiff_t>(count)};
}

FileImageSource::FileImageSource(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) throw VersionInfoOsError(errno, path_);
}

FileImageSource::~FileImageSource() {
  if (fd_ >= 0) ::close(fd_);
}

std::vector<uint8_t> FileImageSource::Read(uint64_t offset, size_t size) {
  std::vector<uint8_t> out(size);
  size_t done = 0;
  while (done < size) {
    if (offset > static_cast<uint64_t>(INT64_MAX) - done) break;  // beyond any file
    const ssize_t n =
        ::pread(fd_, out.data() + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw VersionInfoOsError(errno, path_);
    }
    if (n == 0) break;  // end of file
    done += static_cast<size_t>(n);
  }
  out.resize(done);
  return out;
}
