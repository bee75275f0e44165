#include "capture/video/programdevices.h"

#include <charconv>

#include "capture/simulated/simulatedcamera.h"
#include "capture/v4l2/v4l2provider.h"
#include "capture/video/videodevicelist.h"

namespace {

constexpr const char* kSpecimen = kSpecimenName;

std::unique_ptr<VideoSource> OpenV4l2(const std::string& device, std::string& error) {
  int index = -1;
  const auto [end, failure] = std::from_chars(device.data(), device.data() + device.size(), index);
  if (failure != std::errc() || end != device.data() + device.size() || index < 0) {
    error = "--device: expected the camera's number in the device list (0 for the first), got " +
            device;
    return nullptr;
  }
  V4l2Provider cameras;
  const std::vector<std::string> names = cameras.DeviceNames();
  if (static_cast<size_t>(index) >= names.size()) {
    error = "no V4L2 camera number " + device + " (" + std::to_string(names.size()) + " found)";
    return nullptr;
  }
  return cameras.Open(index, error);
}

}  // namespace

std::optional<std::string> SimulatedCameraRequest(const std::vector<std::string>& arguments,
                                                  const char* variable) {
  const std::string option = kSimulateCameraOption;
  for (const std::string& argument : arguments) {
    if (argument == option) return std::string(kSpecimen);
    if (argument.rfind(option + "=", 0) == 0) {
      const std::string spec = argument.substr(option.size() + 1);
      return spec.empty() ? std::string(kSpecimen) : spec;
    }
  }
  if (variable) return *variable ? std::string(variable) : std::string(kSpecimen);
  return std::nullopt;
}

std::unique_ptr<VideoProvider> ProgramVideoDevices(const std::optional<std::string>& simulateSpec,
                                                   std::string& error) {
  auto devices = std::make_unique<VideoDeviceList>();
  devices->Add(std::make_unique<V4l2Provider>());
  if (simulateSpec) {
    if (std::optional<SimulatedCameraOptions> options =
            ParseSimulatedCameraSpec(*simulateSpec, error)) {
      devices->Add(std::make_unique<SimulatedCameraProvider>(*options));
    }
  }
  return devices;
}

std::unique_ptr<VideoSource> OpenCaptureSource(const CameraRequest& request, std::string& error) {
  if (request.Simulate.empty()) return OpenV4l2(request.Device, error);
  SimulatedCameraOptions options;
  options.Picture = request.Simulate == kSpecimen ? std::string() : request.Simulate;
  options.PathFile = request.PathFile;
  options.Noise = request.Noise;
  options.Flicker = request.Flicker;
  SimulatedCameraProvider camera(options);
  return camera.Open(0, error);
}
