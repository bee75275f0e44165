#include "capture/run/projectnames.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

constexpr std::string_view kFrameExtension = ".bmp";
constexpr size_t kFrameDigits = 4;
// Longest file name component on the common Linux and Windows file systems,
// in bytes; a frame name adds "_", up to ten digits and ".bmp".
constexpr size_t kMaxComponentBytes = 255;
constexpr size_t kFrameSuffixBytes = 1 + 10 + kFrameExtension.size();

bool IsForbiddenChar(unsigned char c) {
  constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  return c < 0x20 || c == 0x7F || kForbidden.find(static_cast<char>(c)) != std::string_view::npos;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The number of a frame file name "<prefix><digits>.bmp" as FrameFileName
// writes it (at least four digits, no extra leading zeros), or none.
std::optional<int> FrameNumberOf(std::string_view file, std::string_view prefix) {
  if (file.size() <= prefix.size() + kFrameExtension.size()) return std::nullopt;
  if (file.substr(0, prefix.size()) != prefix) return std::nullopt;
  if (file.substr(file.size() - kFrameExtension.size()) != kFrameExtension) return std::nullopt;
  const std::string_view digits =
      file.substr(prefix.size(), file.size() - prefix.size() - kFrameExtension.size());
  if (digits.size() < kFrameDigits) return std::nullopt;
  if (digits.size() > kFrameDigits && digits.front() == '0') return std::nullopt;
  int number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

}  // namespace

std::string FrameFileName(const std::string& projectDir, const std::string& projectName,
                          int frameCount) {
  char number[16];
  std::snprintf(number, sizeof number, "%04d", frameCount);
  return projectDir + projectName + "_" + number + std::string(kFrameExtension);
}

std::string NumberedFileName(const std::string& path, int number, bool flag) {
  if (!flag) return path;
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) dot = path.size();
  return path.substr(0, dot) + std::to_string(number) + path.substr(dot);
}

std::string NextScanFileName(const std::string& scanFile, int& counter, bool autoNum) {
  std::string name = NumberedFileName(scanFile, counter, autoNum);
  std::error_code error;
  while (autoNum && counter < std::numeric_limits<int>::max() &&
         std::filesystem::exists(name, error)) {
    name = NumberedFileName(scanFile, ++counter, autoNum);
  }
  if (counter < std::numeric_limits<int>::max()) ++counter;
  return name;
}

std::string ProjectDirFor(const std::string& baseDir, const std::string& name, bool ownFolder) {
  return ownFolder ? baseDir + name + "/" : baseDir;
}

bool MakeProjectDir(const std::string& projectDir) {
  std::error_code error;
  std::filesystem::create_directories(projectDir, error);
  return std::filesystem::is_directory(projectDir, error);
}

ProjectNameFault CheckProjectName(const std::string& name) {
  if (name.empty()) return ProjectNameFault::None;
  for (const char c : name) {
    if (IsForbiddenChar(static_cast<unsigned char>(c))) return ProjectNameFault::ForbiddenCharacter;
  }
  if (name == "." || name == "..") return ProjectNameFault::Dots;
  // Windows drops trailing blanks from folder names, and blanks at either
  // end are easily typed by mistake and invisible in the file list.
  if (IsBlank(name.front()) || IsBlank(name.back())) return ProjectNameFault::OuterBlank;
  if (name.size() + kFrameSuffixBytes > kMaxComponentBytes) return ProjectNameFault::TooLong;
  return ProjectNameFault::None;
}

std::string ProjectNameProblem(const std::string& name) {
  switch (CheckProjectName(name)) {
    case ProjectNameFault::None: return {};
    case ProjectNameFault::ForbiddenCharacter:
      return "Название проекта не может содержать символы \\ / : * ? \" < > | "
             "и управляющие символы";
    case ProjectNameFault::Dots: return "Название проекта не может быть «.» или «..»";
    case ProjectNameFault::OuterBlank:
      return "Название проекта не может начинаться или заканчиваться пробелом";
    case ProjectNameFault::TooLong: return "Название проекта слишком длинное";
  }
  return {};
}

std::optional<int> LastExistingFrameNumber(const std::string& projectDir,
                                           const std::string& projectName) {
  const std::string prefix = projectName + "_";
  std::optional<int> last;
  std::error_code error;
  std::filesystem::directory_iterator it(projectDir, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    std::error_code entryError;  // an entry that cannot be examined is skipped
    if (!it->is_regular_file(entryError)) continue;
    const std::optional<int> number = FrameNumberOf(it->path().filename().native(), prefix);
    if (number && (!last || *number > *last)) last = number;
  }
  return last;
}
