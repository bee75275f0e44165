#include "capture/run/retakenframes.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

std::string RetakenFolder(const std::string& projectDir) { return projectDir + "retaken/"; }

std::string MoveAsideRetaken(const std::string& frameFile, const std::string& projectDir,
                             std::string& error) {
  std::error_code ec;
  const fs::path folder = RetakenFolder(projectDir);
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    error = "cannot make the folder " + folder.string();
    return {};
  }
  const fs::path source(frameFile);
  const std::string stem = source.stem().string();
  const std::string extension = source.extension().string();
  for (int n = 1; n < 10000; ++n) {
    const fs::path target = folder / (n == 1 ? source.filename().string()
                                             : stem + "-" + std::to_string(n).append(extension));
    // A hard link is made only where no file is: an earlier retake is never replaced.
    if (::link(source.c_str(), target.c_str()) == 0) {
      if (::unlink(source.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(target.c_str());
        return {};
      }
      return target.string();
    }
    if (errno != EEXIST) {
      error = std::strerror(errno);
      return {};
    }
  }
  error = "too many retaken copies of " + source.filename().string();
  return {};
}
