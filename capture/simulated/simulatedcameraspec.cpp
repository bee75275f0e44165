#include "capture/simulated/simulatedcameraspec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>

namespace {

// The whole of text as one integer, nothing around it.
template <typename Int>
bool ParseWhole(std::string_view text, Int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && !text.empty();
}

bool ParseLevel(std::string_view text, int maximum, int& value) {
  return ParseWhole(text, value) && value >= 0 && value <= maximum;
}

std::vector<std::string_view> SplitFields(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, start)) {
    fields.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  fields.push_back(text.substr(start));
  return fields;
}

// One "key=value" field into options; false with error when it is not one we know.
bool ApplyField(std::string_view field, SimulatedCameraOptions& options, std::string& error) {
  const size_t equals = field.find('=');
  const std::string_view key = field.substr(0, equals);
  const std::string_view value =
      equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1);
  bool ok = equals != std::string_view::npos;
  if (ok && key == "path") {
    options.PathFile = std::string(value);
    ok = !value.empty();
  } else if (ok && key == "noise") {
    ok = ParseLevel(value, kSimulatedCameraMaxNoise, options.Noise);
  } else if (ok && key == "flicker") {
    ok = ParseLevel(value, kSimulatedCameraMaxFlicker, options.Flicker);
  } else if (ok && key == "seed") {
    ok = ParseWhole(value, options.Seed);
  } else {
    error = "Имитация камеры: неизвестный параметр «" + std::string(field) +
            "»; допустимы path=ФАЙЛ, noise=0..50, flicker=0..50, seed=ЧИСЛО";
    return false;
  }
  if (!ok) error = "Имитация камеры: недопустимое значение в «" + std::string(field) + "»";
  return ok;
}

std::string_view Trimmed(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = line.find_last_not_of(" \t\r");
  return line.substr(first, last - first + 1);
}

// "x y": two integers separated by blanks.
bool ParsePosition(std::string_view line, Point& point) {
  const size_t gap = line.find_first_of(" \t");
  if (gap == std::string_view::npos) return false;
  return ParseWhole(line.substr(0, gap), point.X) && ParseWhole(Trimmed(line.substr(gap)), point.Y);
}

}  // namespace

std::optional<SimulatedCameraOptions> ParseSimulatedCameraSpec(const std::string& spec,
                                                               std::string& error) {
  const std::vector<std::string_view> fields = SplitFields(spec, ':');
  SimulatedCameraOptions options;
  if (fields.front() != "specimen") options.Picture = std::string(fields.front());
  for (size_t i = 1; i < fields.size(); ++i) {
    if (!ApplyField(fields[i], options, error)) return std::nullopt;
  }
  return options;
}

std::optional<std::vector<Point>> ReadCameraPath(const std::string& fileName,
                                                 CameraPathProblem& problem) {
  problem = {};
  const auto fail = [&problem](CameraPathProblem::Kind kind, int line = 0) {
    problem.What = kind;
    problem.Line = line;
    return std::nullopt;
  };
  // Without O_NONBLOCK a FIFO's open waits for a writer for ever.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    problem.Detail = std::strerror(errno);
    return fail(CameraPathProblem::Unreadable);
  }
  std::string text;
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const bool fits = regular && st.st_size <= kMaxCameraPathBytes;
  if (fits) {
    text.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) problem.Detail = std::strerror(errno);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    text.resize(done);
  }
  ::close(fd);
  if (!regular) return fail(CameraPathProblem::NotRegular);
  if (!fits) return fail(CameraPathProblem::TooLarge);
  if (!problem.Detail.empty()) return fail(CameraPathProblem::Unreadable);
  std::vector<Point> path;
  int number = 0;
  for (const std::string_view line : SplitFields(text, '\n')) {
    ++number;
    if (line.size() > kMaxCameraPathLineBytes) return fail(CameraPathProblem::LineTooLong, number);
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == '#') continue;
    Point point;
    if (!ParsePosition(trimmed, point)) return fail(CameraPathProblem::Malformed, number);
    path.push_back(point);
  }
  if (path.empty()) return fail(CameraPathProblem::Empty);
  return path;
}

std::string CameraPathProblemText(const std::string& fileName, const CameraPathProblem& problem) {
  const std::string file = "«" + fileName + "»";
  const std::string line = ", строка " + std::to_string(problem.Line);
  switch (problem.What) {
    case CameraPathProblem::None: return {};
    case CameraPathProblem::Unreadable:
      return "Не удалось прочитать файл пути камеры " + file + ": " + problem.Detail;
    case CameraPathProblem::NotRegular: return "Файл пути камеры " + file + " — не обычный файл";
    case CameraPathProblem::TooLarge:
      return "Файл пути камеры " + file + " больше " + std::to_string(kMaxCameraPathBytes >> 20) +
             " МиБ";
    case CameraPathProblem::LineTooLong:
      return "Файл пути камеры " + file + line + ": строка длиннее " +
             std::to_string(kMaxCameraPathLineBytes) + " байт";
    case CameraPathProblem::Malformed:
      return "Файл пути камеры " + file + line + ": ожидаются два целых числа «x y»";
    case CameraPathProblem::Empty: return "В файле пути камеры " + file + " нет ни одной позиции";
  }
  return {};
}

std::optional<std::vector<Point>> ReadCameraPath(const std::string& fileName, std::string& error) {
  CameraPathProblem problem;
  std::optional<std::vector<Point>> path = ReadCameraPath(fileName, problem);
  if (!path) error = CameraPathProblemText(fileName, problem);
  return path;
}
