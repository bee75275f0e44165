#include "formats/wholefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <random>

StagedFile::~StagedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool StagedFile::Failed() {
  if (reason_.empty()) reason_ = std::strerror(errno);
  return false;
}

std::string StagedFile::Open(const std::string& path) {
  std::random_device rd;
  const std::string temp = path + ".part" + std::to_string(rd() % 1000000);
  fd_ = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    Failed();
    return reason_;
  }
  path_ = path;
  temp_ = temp;
  return "";
}

bool StagedFile::Write(const char* data, size_t size) {
  if (fd_ < 0 || !reason_.empty()) return false;
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = ENOSPC;
    if (n <= 0) return Failed();
    done += static_cast<size_t>(n);
  }
  return true;
}

bool StagedFile::Seek(int64_t offset) {
  if (fd_ < 0 || !reason_.empty()) return false;
  return ::lseek(fd_, offset, SEEK_SET) == offset || Failed();
}

int64_t StagedFile::Size() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : 0;
}

std::string StagedFile::Finish() {
  if (fd_ >= 0) {
    if (reason_.empty() && ::fsync(fd_) != 0) Failed();
    if (::close(fd_) != 0) Failed();
    fd_ = -1;
  } else if (reason_.empty()) {
    reason_ = "nothing written";
  }
  return reason_;
}

std::string StagedFile::Commit() {
  if (fd_ >= 0 || temp_.empty() || !reason_.empty())
    return reason_.empty() ? "not finished" : reason_;
  if (::rename(temp_.c_str(), path_.c_str()) != 0)
    return std::strerror(errno);  // the destructor removes it
  temp_.clear();
  return "";
}

std::string StagedFile::Stage(const std::string& path, const std::string& bytes) {
  if (std::string reason = Open(path); !reason.empty()) return reason;
  Write(bytes.data(), bytes.size());
  return Finish();
}

std::string WriteFileWhole(const std::string& path, const std::string& bytes) {
  StagedFile file;
  if (std::string reason = file.Stage(path, bytes); !reason.empty()) return reason;
  return file.Commit();
}
