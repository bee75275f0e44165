#pragma once
// What one run of the headless stitcher is asked to do.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/searchmethod.h"
#include "imagefiles/imagefiles.h"
#include "stitchsettings.h"

struct StitchOptions {
  std::vector<std::string> Images;  // in chain order
  bool Auto = true;                 // find directions; else Directions holds them
  std::vector<int32_t> Directions;  // one code 1..4 per image after the first
  SetupData Settings = DefaultSetupData();
  SearchMethod Method = SearchMethod::Template;
  bool Smooth = false;    // seam smoothing
  bool CropView = false;  // output only the common rectangle
  std::string Output;     // the mosaic; format from the extension
  PixSaveOptions Save;    // how it is written (a pyramid for .tif)
  std::string Report;     // JSON report, or empty
  bool Quiet = false;     // no progress bar
};
