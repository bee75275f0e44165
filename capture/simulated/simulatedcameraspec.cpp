#include "capture/simulated/simulatedcameraspec.h"

#include <charconv>
#include <fstream>
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

std::optional<std::vector<Point>> ReadCameraPath(const std::string& fileName, std::string& error) {
  std::ifstream file(fileName);
  if (!file) {
    error = "Не удалось прочитать файл пути камеры «" + fileName + "»";
    return std::nullopt;
  }
  std::vector<Point> path;
  std::string line;
  for (int number = 1; std::getline(file, line); ++number) {
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    Point point;
    if (!ParsePosition(text, point)) {
      error = "Файл пути камеры «" + fileName + "», строка " + std::to_string(number) +
              ": ожидаются два целых числа «x y»";
      return std::nullopt;
    }
    path.push_back(point);
  }
  if (file.bad()) {
    error = "Не удалось прочитать файл пути камеры «" + fileName + "»";
    return std::nullopt;
  }
  if (path.empty()) {
    error = "В файле пути камеры «" + fileName + "» нет ни одной позиции";
    return std::nullopt;
  }
  return path;
}
