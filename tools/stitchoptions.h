#pragma once
// What one run of the headless stitcher is asked to do.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/placement/placementmethod.h"
#include "engine/registration/searchmethod.h"
#include "imagefiles/imagefiles.h"
#include "stitchsettings.h"

// The report name that writes the report to standard output.
inline constexpr const char* kReportToStdout = "-";

struct StitchOptions {
  std::vector<std::string> Images;  // in chain order
  bool Auto = true;                 // find directions; else Directions holds them
  std::vector<int32_t> Directions;  // one code 1..4 per image after the first
  SetupData Settings = DefaultSetupData();
  SearchMethod Method = SearchMethod::Template;
  PlacementMethod Placement = PlacementMethod::Chain;
  bool Smooth = false;       // seam smoothing
  bool CropView = false;     // output only the common rectangle
  std::string Output;        // the mosaic; format from the extension
  std::string Report;        // JSON report, kReportToStdout, or empty
  std::string SettingsFile;  // the settings were read from it, when given
  PixSaveOptions Save;       // how it is written (a pyramid for .tif)
  bool Quiet = false;        // no progress bar
};
