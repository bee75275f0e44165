#pragma once
// The picture and camera properties of the camera dialog, by their property
// numbers, mapped onto a device's V4L2 controls: a value control and, where
// the device has one, the switch (or exposure menu) that makes it automatic.

#include <cstdint>
#include <optional>

#include "capture/video/videosource.h"

enum class PropertyFamily {
  VideoQuality,   // numbers 0..9: brightness, contrast, hue, saturation, sharpness, gamma,
                  // colour enable, white balance, backlight compensation, gain
  CameraControl,  // numbers 0..6: pan, tilt, roll, zoom, exposure, iris, focus
};

enum VideoQualityProperty : int {
  kQualityBrightness = 0,
  kQualityContrast = 1,
  kQualityHue = 2,
  kQualitySaturation = 3,
  kQualitySharpness = 4,
  kQualityGamma = 5,
  kQualityWhiteBalance = 7,
  kQualityGain = 9,
};

enum CameraControlProperty : int {
  kControlExposure = 4,
  kControlFocus = 6,
};

// One property as the device reports it now.
struct CameraProperty {
  int32_t Minimum = 0;
  int32_t Maximum = 0;
  int32_t Step = 1;
  int32_t Default = 0;
  int32_t Value = 0;
  bool Automatic = false;       // the device controls it by itself now
  bool CanBeAutomatic = false;  // the device has an automatic mode for it
};

// The property, or none when the device does not have it (or the number is
// outside the family, or not one the dialog offers).
std::optional<CameraProperty> ReadCameraProperty(VideoSource& source, PropertyFamily family,
                                                 int number);

// What a change of a property came to.
enum class PropertyChange {
  Applied,          // also for numbers the device does not have: they are ignored
  Refused,          // the device refused; source.Error() tells why
  NoAutomaticMode,  // automatic control asked for a property that has none; nothing sent
};

// Gives the device automatic or manual control of the property with value
// (or the property's default when useDefault).
PropertyChange SetCameraProperty(VideoSource& source, PropertyFamily family, int number,
                                 bool automatic, int32_t value, bool useDefault);

// Whether the device mirrors the picture itself (V4L2_CID_HFLIP / V4L2_CID_VFLIP).
bool HasDeviceFlip(VideoSource& source, bool horizontal);
