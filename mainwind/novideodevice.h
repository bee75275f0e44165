#pragma once
// The video component of a machine without cameras: no devices, a preview
// that does nothing.

#include "videodeviceport.h"

class NoVideoDevice : public VideoDevicePort {
 public:
  std::vector<std::string> DeviceNames() const override { return {}; }
  void StartPreview() override {}
  void StopPreview() override {}
  void SetPreviewZoomSize(int /*percent*/) override {}
};
