#pragma once
// The capture runner's command line.

#include <cstdint>
#include <string>
#include <vector>

#include "capture/video/videosource.h"
#include "stitchoptions.h"

struct CaptureOptions {
  std::string Simulate;  // the simulated camera's picture, "specimen" for the synthetic one
  std::string Device;    // otherwise a V4L2 camera: its number in the device list
  std::string PathFile;  // the simulated camera's path
  int Noise = 0;         // the simulated camera's noise and lamp flicker
  int Flicker = 0;
  FrameSize Size{640, 480};
  std::vector<int> FramesAt;        // live frame numbers at which a frame is taken, rising
  std::vector<int32_t> Directions;  // one code per frame after the first
  bool Tracking = false;            // frames taken by following the live picture instead
  int LiveFrames = 0;               // with Tracking: live pictures before the run ends
  std::vector<int> RetakeAt;        // live frame numbers at which the last frame is taken back
  std::string ProjectName = "Изображение";
  std::string SaveFramesTo;  // folder for the frame files; empty: frames stay in memory
  // The project's frames already there: numbered on after the last
  // (FirstFrame), or replaced; with neither the run is refused.
  bool ContinueFrames = false;
  bool OverwriteFrames = false;
  int FirstFrame = 0;
  StitchOptions Stitch;  // settings, smoothing, crop, output, report, quiet
};

// Live pictures a run may take without a path to bound it (an hour at 30
// pictures a second), as --help states.
inline constexpr int kMaxLiveFrames = 100000;

struct CaptureCliOutcome {
  bool Run = false;
  int ExitCode = 0;
  std::string Message;
  CaptureOptions Options;
  std::vector<std::string> Warnings;
};

CaptureCliOutcome ParseCaptureArgs(int argc, const char* const* argv);
