#include "formats/filecommit.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

namespace {

constexpr const char* kTempMark = ".quiltor-";
constexpr const char* kTempEnd = ".part";
// As the kernel counts nested links before it gives up.
constexpr int kMaxLinks = 40;

std::string BaseOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Reason(int error) { return std::strerror(error); }

// A dangling link's final target: the file a save creates for it.
std::string FollowDanglingLink(std::string path, std::string& problem) {
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char text[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), text, sizeof text - 1);
    if (n < 0) {
      problem = Reason(errno);
      return {};
    }
    const std::string next(text, static_cast<size_t>(n));
    path = next.front() == '/' ? next : ContainingFolder(path).append("/").append(next);
  }
  problem = Reason(ELOOP);
  return {};
}

struct FileId {
  dev_t Device;
  ino_t Inode;
  bool operator<(const FileId& o) const {
    return Device != o.Device ? Device < o.Device : Inode < o.Inode;
  }
};

struct ProtectedFiles {
  std::mutex Lock;
  std::set<FileId> Ids;
  std::set<std::string> Names;  // inputs that do not exist (yet): by resolved name
};

ProtectedFiles& Protected() {
  static ProtectedFiles files;
  return files;
}

std::string Resolved(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string out(real);
  std::free(real);
  return out;
}

// The pid in a hidden temporary's name, or -1 when the name is not one.
pid_t OwnerOfTemp(const std::string& name) {
  const size_t endAt = name.size() - std::strlen(kTempEnd);
  if (name.size() < 2 || name[0] != '.' || name.size() <= std::strlen(kTempEnd) ||
      name.compare(endAt, std::string::npos, kTempEnd) != 0)
    return -1;
  const size_t mark = name.rfind(kTempMark);
  if (mark == std::string::npos || mark == 0) return -1;
  const size_t digits = mark + std::strlen(kTempMark);
  const size_t dash = name.find('-', digits);
  if (dash == std::string::npos || dash == digits || dash > endAt) return -1;
  long pid = 0;
  for (size_t i = digits; i < dash; ++i) {
    if (name[i] < '0' || name[i] > '9' || pid > INT_MAX / 10) return -1;
    pid = pid * 10 + (name[i] - '0');
  }
  for (size_t i = dash + 1; i < endAt; ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
  }
  return dash + 1 < endAt && pid > 0 ? static_cast<pid_t>(pid) : -1;
}

}  // namespace

std::string ContainingFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ResolveSaveTarget(const std::string& path, SaveTarget& target) {
  target = SaveTarget{};
  if (path.empty()) return Reason(ENOENT);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Reason(EISDIR);
    target.Exists = true;
    target.Mode = st.st_mode & 07777;
    target.Owner = st.st_uid;
    target.Group = st.st_gid;
    if (!S_ISREG(st.st_mode)) {
      // Devices, FIFOs and sockets are written, never replaced; the name is
      // kept as given, as /dev/stdout only means something through its link.
      target.How = SaveTarget::Way::InPlace;
      target.Path = path;
      return "";
    }
    target.Path = Resolved(path);
    return "";
  }
  if (errno != ENOENT) return Reason(errno);
  std::string problem;
  target.Path = FollowDanglingLink(path, problem);
  if (!problem.empty()) return problem;
  struct stat folder {};
  if (::stat(ContainingFolder(target.Path).c_str(), &folder) != 0) return Reason(errno);
  if (!S_ISDIR(folder.st_mode)) return Reason(ENOTDIR);
  return "";
}

std::string CheckSaveTarget(const std::string& path) {
  SaveTarget target;
  if (std::string problem = ResolveSaveTarget(path, target); !problem.empty()) return problem;
  if (std::string problem = ProtectedTargetProblem(target); !problem.empty()) return problem;
  if (target.How == SaveTarget::Way::InPlace) {
    return ::access(target.Path.c_str(), W_OK) == 0 ? "" : Reason(errno);
  }
  if (::access(ContainingFolder(target.Path).c_str(), W_OK | X_OK) != 0) return Reason(errno);
  return "";
}

void ProtectFromReplacement(const std::string& path) {
  ProtectedFiles& files = Protected();
  const std::lock_guard lock(files.Lock);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    files.Ids.insert({st.st_dev, st.st_ino});
  } else {
    files.Names.insert(Resolved(path));
  }
}

std::string ProtectedTargetProblem(const SaveTarget& target) {
  ProtectedFiles& files = Protected();
  const std::lock_guard lock(files.Lock);
  struct stat st {};
  const bool isProtected = ::stat(target.Path.c_str(), &st) == 0
                               ? files.Ids.count({st.st_dev, st.st_ino}) > 0
                               : files.Names.count(Resolved(target.Path)) > 0;
  return isProtected ? "it is one of the run's inputs" : "";
}

void ClearProtectedFiles() {
  ProtectedFiles& files = Protected();
  const std::lock_guard lock(files.Lock);
  files.Ids.clear();
  files.Names.clear();
}

std::string HiddenTempName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = ContainingFolder(target);
  return (folder == "/" ? "" : folder) + "/." + BaseOf(target) + kTempMark +
         std::to_string(::getpid()) + "-" + std::to_string(counter++) + kTempEnd;
}

int RemoveAbandonedTemps(const std::string& folder, bool again) {
  static std::mutex lock;
  static std::set<std::string> swept;
  {
    const std::lock_guard guard(lock);
    if (!swept.insert(Resolved(folder)).second && !again) return 0;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    const pid_t owner = OwnerOfTemp(name);
    if (owner <= 0 || owner == ::getpid()) continue;
    // Gone means no such process; one of another user's counts as alive.
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::unlinkat(::dirfd(dir), name.c_str(), 0) == 0) ++removed;
  }
  ::closedir(dir);
  return removed;
}
