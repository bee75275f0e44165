#pragma once
// The six engine settings of a stitch and the 24-byte settings file that can hold them.

#include <cstdint>
#include <string>

// In the order they travel everywhere. Values from a file are kept as stored.
struct StitchSettings {
  int32_t Zone = 30;    // overlap zone, percent of the image side
  int32_t Radius = 15;  // template half-size, pixels
  uint8_t Crop = 0;     // trim Frame pixels from every image edge when non-zero
  int32_t Frame = 5;    // pixels
  int32_t Blend = 1;    // seam method 0..4
  int32_t Step = 3;     // sampling step of the correlation search
  friend bool operator==(const StitchSettings&, const StitchSettings&) = default;
};

constexpr int kSettingsFileSize = 24;

// The range the settings dialog offers for each value.
struct SettingRange {
  const char* Name;  // as the command line and the report call it
  int32_t Min, Max;
};
constexpr SettingRange kZoneRange{"zone", 0, 100};
constexpr SettingRange kRadiusRange{"radius", 0, 100};
constexpr SettingRange kCropRange{"crop", 0, 1};
constexpr SettingRange kFrameRange{"frame", 0, 50};
constexpr SettingRange kBlendRange{"blend", 0, 4};
constexpr SettingRange kStepRange{"step", 1, 5};

// The values outside the dialog's ranges, as "frame 2147483647 (0..50)"
// joined by ", "; empty when every value lies inside.
std::string SettingsOutsideRanges(const StitchSettings& settings);

// Overlays up to the first 24 bytes of the file (little-endian) on settings;
// fields the file is too short to reach keep their values. Returns false and
// a reason when the file cannot be read.
bool ReadSettingsFile(const std::string& path, StitchSettings& settings, std::string& error);

// The 24 bytes of the file for settings, reserved bytes zero.
std::string SettingsFileBytes(const StitchSettings& settings);
