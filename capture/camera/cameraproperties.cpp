#include "capture/camera/cameraproperties.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <vector>

namespace {

struct PropertyMapping {
  PropertyFamily Family;
  int Number;
  uint32_t ValueId;
  uint32_t AutoId;  // 0: the property has no automatic mode
};

constexpr std::array<PropertyMapping, 10> kMappings{{
    {PropertyFamily::VideoQuality, kQualityBrightness, V4L2_CID_BRIGHTNESS,
     V4L2_CID_AUTOBRIGHTNESS},
    {PropertyFamily::VideoQuality, kQualityContrast, V4L2_CID_CONTRAST, 0},
    {PropertyFamily::VideoQuality, kQualityHue, V4L2_CID_HUE, V4L2_CID_HUE_AUTO},
    {PropertyFamily::VideoQuality, kQualitySaturation, V4L2_CID_SATURATION, 0},
    {PropertyFamily::VideoQuality, kQualitySharpness, V4L2_CID_SHARPNESS, 0},
    {PropertyFamily::VideoQuality, kQualityGamma, V4L2_CID_GAMMA, 0},
    {PropertyFamily::VideoQuality, kQualityWhiteBalance, V4L2_CID_WHITE_BALANCE_TEMPERATURE,
     V4L2_CID_AUTO_WHITE_BALANCE},
    {PropertyFamily::VideoQuality, kQualityGain, V4L2_CID_GAIN, V4L2_CID_AUTOGAIN},
    {PropertyFamily::CameraControl, kControlExposure, V4L2_CID_EXPOSURE_ABSOLUTE,
     V4L2_CID_EXPOSURE_AUTO},
    {PropertyFamily::CameraControl, kControlFocus, V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO},
}};

const PropertyMapping* FindMapping(PropertyFamily family, int number) {
  const auto it = std::find_if(kMappings.begin(), kMappings.end(), [&](const PropertyMapping& m) {
    return m.Family == family && m.Number == number;
  });
  return it == kMappings.end() ? nullptr : &*it;
}

const VideoControl* FindControl(const std::vector<VideoControl>& controls, uint32_t id) {
  if (id == 0) return nullptr;
  const auto it = std::find_if(controls.begin(), controls.end(),
                               [id](const VideoControl& c) { return c.Id == id; });
  return it == controls.end() ? nullptr : &*it;
}

bool HasMenuItem(const VideoControl& menu, int32_t value) {
  return std::any_of(menu.MenuItems.begin(), menu.MenuItems.end(),
                     [value](const auto& item) { return item.first == value; });
}

// The automatic value of an auto switch, or of the exposure menu the mode the
// device offers that leaves the exposure time to it; none without such a mode.
std::optional<int32_t> AutomaticValue(const VideoControl& autoControl) {
  if (autoControl.Type != VideoControl::Kind::Menu) return 1;
  for (const int32_t mode : {V4L2_EXPOSURE_AUTO, V4L2_EXPOSURE_APERTURE_PRIORITY}) {
    if (HasMenuItem(autoControl, mode)) return mode;
  }
  return std::nullopt;
}

int32_t ManualValue(const VideoControl& autoControl) {
  return autoControl.Type == VideoControl::Kind::Menu ? V4L2_EXPOSURE_MANUAL : 0;
}

bool IsAutomatic(const VideoControl& autoControl) {
  return autoControl.Value != ManualValue(autoControl);
}

}  // namespace

std::optional<CameraProperty> ReadCameraProperty(VideoSource& source, PropertyFamily family,
                                                 int number) {
  const PropertyMapping* mapping = FindMapping(family, number);
  if (mapping == nullptr) return std::nullopt;
  const std::vector<VideoControl> controls = source.Controls();
  const VideoControl* value = FindControl(controls, mapping->ValueId);
  if (value == nullptr) return std::nullopt;
  CameraProperty property{value->Minimum, value->Maximum, value->Step, value->Default,
                          value->Value};
  if (const VideoControl* automatic = FindControl(controls, mapping->AutoId)) {
    property.CanBeAutomatic = AutomaticValue(*automatic).has_value();
    property.Automatic = IsAutomatic(*automatic);
  }
  return property;
}

PropertyChange SetCameraProperty(VideoSource& source, PropertyFamily family, int number,
                                 bool automatic, int32_t value, bool useDefault) {
  const PropertyMapping* mapping = FindMapping(family, number);
  if (mapping == nullptr) return PropertyChange::Applied;
  const std::vector<VideoControl> controls = source.Controls();
  const VideoControl* valueControl = FindControl(controls, mapping->ValueId);
  if (valueControl == nullptr) return PropertyChange::Applied;
  const int32_t wanted = useDefault ? valueControl->Default : value;
  const VideoControl* autoControl = FindControl(controls, mapping->AutoId);
  const std::optional<int32_t> autoValue =
      autoControl ? AutomaticValue(*autoControl) : std::nullopt;
  const auto sent = [&source](uint32_t id, int32_t v) {
    return source.SetControl(id, v) ? PropertyChange::Applied : PropertyChange::Refused;
  };
  if (automatic) {
    // Already automatic in a mode of its own (an exposure priority the
    // program cannot choose): left as it is.
    if (!autoValue) {
      return autoControl && IsAutomatic(*autoControl) ? PropertyChange::Applied
                                                      : PropertyChange::NoAutomaticMode;
    }
    // The value first, while the device still takes it: it is the one used
    // when manual control comes back. A device already in automatic mode
    // reports the value read-only and would refuse it.
    if (!valueControl->ReadOnly && !source.SetControl(mapping->ValueId, wanted))
      return PropertyChange::Refused;
    return sent(mapping->AutoId, *autoValue);
  }
  // Manual control first: many devices refuse the value while in automatic mode.
  if (autoControl && IsAutomatic(*autoControl) &&
      !source.SetControl(mapping->AutoId, ManualValue(*autoControl)))
    return PropertyChange::Refused;
  return sent(mapping->ValueId, wanted);
}

bool HasDeviceFlip(VideoSource& source, bool horizontal) {
  const std::vector<VideoControl> controls = source.Controls();
  const VideoControl* flip = FindControl(controls, horizontal ? V4L2_CID_HFLIP : V4L2_CID_VFLIP);
  return flip != nullptr && !flip->ReadOnly;
}
