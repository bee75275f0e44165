#pragma once
// What the main window needs of the video capture component: the list of
// devices and the preview. The capture page extends it.

#include <string>
#include <vector>

class VideoDevicePort {
 public:
  virtual ~VideoDevicePort() = default;
  // Device names in index order; empty on a machine without video devices.
  virtual std::vector<std::string> DeviceNames() const = 0;
  virtual void StartPreview() = 0;
  virtual void StopPreview() = 0;
  // Percent of the video size at which the preview is shown.
  virtual void SetPreviewZoomSize(int percent) = 0;
};
