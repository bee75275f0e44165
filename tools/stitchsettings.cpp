#include "stitchsettings.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "formats/setupfile.h"

namespace {

SetupData ToSetup(const StitchSettings& s) {
  SetupData d;
  d.ImageZone = s.Zone;
  d.FindR = s.Radius;
  d.Crop = s.Crop;
  d.CropFrame = s.Frame;
  d.SmoothType = s.Blend;
  d.Quality = s.Step;
  return d;
}

StitchSettings FromSetup(const SetupData& d) {
  return {d.ImageZone, d.FindR, d.Crop, d.CropFrame, d.SmoothType, d.Quality};
}

}  // namespace

bool ReadSettingsFile(const std::string& path, StitchSettings& settings, std::string& error) {
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
  SetupData data = ToSetup(settings);
  errno = 0;
  if (!ReadSetupFile(path, data)) {
    error = errno != 0 ? std::strerror(errno) : "cannot be read";
    return false;
  }
  settings = FromSetup(data);
  return true;
}

std::string SettingsFileBytes(const StitchSettings& settings) {
  const SetupBytes bytes = EncodeSetup(ToSetup(settings));
  return std::string(bytes.begin(), bytes.end());
}

std::string SettingsOutsideRanges(const StitchSettings& s) {
  const std::pair<SettingRange, int64_t> values[] = {
      {kZoneRange, s.Zone},   {kRadiusRange, s.Radius}, {kCropRange, s.Crop},
      {kFrameRange, s.Frame}, {kBlendRange, s.Blend},   {kStepRange, s.Step}};
  std::string text;
  for (const auto& [range, value] : values) {
    if (value >= range.Min && value <= range.Max) continue;
    if (!text.empty()) text += ", ";
    text += std::string(range.Name) + " " + std::to_string(value) + " (" + std::to_string(range.Min) +
            ".." + std::to_string(range.Max) + ")";
  }
  return text;
}
