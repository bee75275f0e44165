#pragma once
// The six settings that steer the engine: one record from the settings file
// to the dialog, the engine and the headless stitcher, with their defaults,
// the dialog's ranges and the guards the engine applies to stored values.

#include <algorithm>
#include <array>
#include <cstdint>

// In the order of the settings file.
struct SetupData {
  int32_t ImageZone = 0;              // overlap zone, percent of the image side
  int32_t FindR = 0;                  // search radius, pixels
  uint8_t Crop = 0;                   // 0 off, 1 on: trim CropFrame pixels from every image edge
  std::array<uint8_t, 3> Reserved{};  // bytes 9..11 of the file, written back as read
  int32_t CropFrame = 0;              // crop frame width, pixels
  int32_t SmoothType = 0;             // seam method 0..4
  int32_t Quality = 0;                // search step, 1 quality .. 5 speed

  friend bool operator==(const SetupData&, const SetupData&) = default;
};

// The dialog's initial values, which a program without a settings file uses.
constexpr SetupData DefaultSetupData() {
  SetupData data;
  data.ImageZone = 30;
  data.FindR = 15;
  data.CropFrame = 5;
  data.SmoothType = 1;
  data.Quality = 3;
  return data;
}

// The range the settings dialog offers for a value, and its name on the
// stitcher's command line and in its report.
struct SettingRange {
  const char* Name;
  int32_t Min, Max;
  constexpr int32_t Clamp(int32_t value) const { return std::clamp(value, Min, Max); }
  constexpr bool Contains(int32_t value) const { return value >= Min && value <= Max; }
};
constexpr SettingRange kZoneRange{"zone", 0, 100};
constexpr SettingRange kRadiusRange{"radius", 0, 100};
constexpr SettingRange kCropRange{"crop", 0, 1};
constexpr SettingRange kFrameRange{"frame", 0, 50};
constexpr SettingRange kBlendRange{"blend", 0, 4};
constexpr SettingRange kStepRange{"step", 1, 5};

// Stored values are used as they are, but no engine loop may hang or read
// outside a bitmap on them: a step below 1 works as 1, a negative radius as 0,
// zone percentages count within 0..100.
constexpr int32_t UsableStep(int32_t step) { return std::max(step, 1); }
constexpr int32_t UsableRadius(int32_t radius) { return std::max(radius, 0); }
constexpr int32_t UsableZonePct(int32_t pct) { return std::clamp(pct, 0, 100); }
