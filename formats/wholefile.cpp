#include "formats/wholefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

std::atomic<bool> g_unnamedAllowed{true};

// An unnamed file is linked in through its /proc entry: linking the
// descriptor itself needs a capability ordinary users lack.
std::string ProcName(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

void StagedFile::AllowUnnamedTemporaries(bool allow) { g_unnamedAllowed = allow; }

StagedFile::~StagedFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) ::unlink(temp_.c_str());
}

bool StagedFile::Failed() {
  if (reason_.empty()) reason_ = std::strerror(errno);
  return false;
}

std::string StagedFile::Open(const std::string& path) {
  if (std::string problem = ResolveSaveTarget(path, target_); !problem.empty()) {
    reason_ = problem;
    return reason_;
  }
  if (std::string problem = ProtectedTargetProblem(target_); !problem.empty()) {
    reason_ = problem;
    return reason_;
  }
  if (target_.How == SaveTarget::Way::InPlace) {
    // A FIFO without a reader would block the open for ever.
    fd_ = ::open(target_.Path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) {
      if (errno == ENXIO) {
        reason_ = "nobody reads the FIFO";
        return reason_;
      }
      Failed();
      return reason_;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return "";
  }
  return OpenTemporary();
}

std::string StagedFile::OpenTemporary() {
  const std::string folder = ContainingFolder(target_.Path);
  RemoveAbandonedTemps(folder);
  const mode_t mode = target_.Exists ? target_.Mode & 0777 : 0666;
  if (g_unnamedAllowed && ::access("/proc/self/fd", X_OK) == 0) {
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    unnamed_ = fd_ >= 0;
  }
  if (fd_ < 0) {
    // The file system has no unnamed files (or no /proc): a hidden name.
    const std::string temp = HiddenTempName(target_.Path);
    fd_ = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ < 0) {
      Failed();
      return reason_;
    }
    temp_ = temp;
  }
  KeepOwnerAndMode();
  return "";
}

void StagedFile::KeepOwnerAndMode() {
  if (!target_.Exists) return;
  // The owner first: a change of owner clears set-id bits.
  if (::geteuid() == 0) (void)::fchown(fd_, target_.Owner, target_.Group);
  (void)::fchmod(fd_, target_.Mode);
}

bool StagedFile::Write(const char* data, size_t size) {
  if (fd_ < 0 || finished_ || !reason_.empty()) return false;
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
  if (fd_ < 0 || finished_ || !reason_.empty()) return false;
  return ::lseek(fd_, offset, SEEK_SET) == offset || Failed();
}

int64_t StagedFile::Size() const {
  struct stat st {};
  return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : 0;
}

std::string StagedFile::Finish() {
  if (fd_ < 0 || finished_) {
    if (reason_.empty() && !finished_) reason_ = "nothing written";
    return reason_;
  }
  finished_ = true;
  const bool inPlace = target_.How == SaveTarget::Way::InPlace;
  // Pipes and character devices cannot be synchronised, and need not be.
  if (reason_.empty() && ::fsync(fd_) != 0 && !(inPlace && (errno == EINVAL || errno == EROFS)))
    Failed();
  // An unnamed file stays open: its descriptor is all there is of it.
  if (!unnamed_ || !reason_.empty()) {
    if (::close(fd_) != 0) Failed();
    fd_ = -1;
  }
  return reason_;
}

std::string StagedFile::NameTemporary() {
  const std::string temp = HiddenTempName(target_.Path);
  if (::linkat(AT_FDCWD, ProcName(fd_).c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0)
    return std::strerror(errno);
  temp_ = temp;
  ::close(fd_);
  fd_ = -1;
  unnamed_ = false;
  return "";
}

std::string StagedFile::Commit() {
  if (!finished_ || !reason_.empty()) return reason_.empty() ? "not finished" : reason_;
  if (target_.How == SaveTarget::Way::InPlace) return "";
  if (unnamed_) {
    // A link cannot replace a file: named first, then renamed over it.
    if (std::string reason = NameTemporary(); !reason.empty()) return reason;
  }
  if (::rename(temp_.c_str(), target_.Path.c_str()) != 0)
    return std::strerror(errno);  // the destructor removes it
  temp_.clear();
  return "";
}

std::string StagedFile::CommitNew(const std::string& name) {
  clashed_ = false;
  if (!finished_ || !reason_.empty()) return reason_.empty() ? "not finished" : reason_;
  if (target_.How == SaveTarget::Way::InPlace) {
    clashed_ = true;
    return std::strerror(EEXIST);
  }
  const std::string destination =
      name.empty() ? target_.Path
                   : ContainingFolder(target_.Path) + "/" + name.substr(name.rfind('/') + 1);
  // A link fails when the name exists: two runs can never end on one name.
  const int linked = unnamed_ ? ::linkat(AT_FDCWD, ProcName(fd_).c_str(), AT_FDCWD,
                                         destination.c_str(), AT_SYMLINK_FOLLOW)
                              : ::link(temp_.c_str(), destination.c_str());
  if (linked != 0) {
    clashed_ = errno == EEXIST;
    return std::strerror(errno);
  }
  if (unnamed_) {
    ::close(fd_);
    fd_ = -1;
    unnamed_ = false;
  } else {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
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
