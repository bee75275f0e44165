#pragma once
// Which cameras the program offers: the machine's V4L2 cameras, and the
// simulated camera when the command line or the environment asks for it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/video/videosource.h"

// The option and the variable that ask for the simulated camera; their value
// is the simulated camera's spec ("specimen", a picture, ":path=FILE", ...).
inline constexpr const char* kSimulateCameraOption = "--simulate-camera";
inline constexpr const char* kSimulateCameraVariable = "QUILTOR_SIMULATED_CAMERA";
// The spec, or the runner's picture, that asks for the synthetic specimen.
inline constexpr const char* kSpecimenName = "specimen";

// The spec asked for by "--simulate-camera[=SPEC]" among arguments (the
// option wins) or by the variable's value (null when unset); "specimen" when
// asked without a spec. None when not asked for.
std::optional<std::string> SimulatedCameraRequest(const std::vector<std::string>& arguments,
                                                  const char* variable);

// The devices the program offers. A spec that cannot be read leaves the
// simulated camera out and says why in error.
std::unique_ptr<VideoProvider> ProgramVideoDevices(const std::optional<std::string>& simulateSpec,
                                                   std::string& error);

// One camera for the capture runner.
struct CameraRequest {
  std::string Simulate;  // a picture, or "specimen"; empty: the V4L2 camera Device
  std::string Device;    // number in the V4L2 device list
  std::string PathFile;
  int Noise = 0;
  int Flicker = 0;
};

std::unique_ptr<VideoSource> OpenCaptureSource(const CameraRequest& request, std::string& error);
