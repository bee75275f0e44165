#include "stitchsettings.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "formats/setupfile.h"

bool ReadSettingsFile(const std::string& path, SetupData& settings, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "is a folder";
    return false;
  }
  if (!std::filesystem::exists(path, ec)) {
    error = "no such file";
    return false;
  }
  // The desktop program's own reader: a short file overlays the record from its start.
  SetupData data = settings;
  errno = 0;
  if (!ReadSetupFile(path, data)) {
    error = errno != 0 ? std::strerror(errno) : "cannot be read";
    return false;
  }
  settings = data;
  return true;
}

std::string SettingsFileBytes(const SetupData& settings) {
  const SetupBytes bytes = EncodeSetup(settings);
  return std::string(bytes.begin(), bytes.end());
}

std::string SettingsOutsideRanges(const SetupData& s) {
  const std::pair<SettingRange, int32_t> values[] = {
      {kZoneRange, s.ImageZone},  {kRadiusRange, s.FindR},     {kCropRange, s.Crop},
      {kFrameRange, s.CropFrame}, {kBlendRange, s.SmoothType}, {kStepRange, s.Quality}};
  std::string text;
  for (const auto& [range, value] : values) {
    if (range.Contains(value)) continue;
    if (!text.empty()) text += ", ";
    text += std::string(range.Name) + " " + std::to_string(value) + " (" +
            std::to_string(range.Min) + ".." + std::to_string(range.Max) + ")";
  }
  return text;
}
