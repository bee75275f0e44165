#pragma once
// The stitcher's side of the settings: reading them from a settings file and
// saying which stored values lie outside the dialog's ranges.

#include <string>

#include "formats/setupdata.h"

// The values outside the dialog's ranges, as "frame 2147483647 (0..50)"
// joined by ", "; empty when every value lies inside.
std::string SettingsOutsideRanges(const SetupData& settings);

// Overlays up to the first 24 bytes of the file (little-endian) on settings;
// fields the file is too short to reach keep their values. Returns false and
// a reason when the file cannot be read.
bool ReadSettingsFile(const std::string& path, SetupData& settings, std::string& error);

// The 24 bytes of the file for settings.
std::string SettingsFileBytes(const SetupData& settings);
