// The dialog's property numbers over a scripted V4L2 camera: each number
// must reach its own control, automatic modes their switch or menu, and
// numbers the dialog does not offer nothing at all.
#include "capture/camera/cameraproperties.h"

#include <gtest/gtest.h>

#include "capture/v4l2/fakev4l2device.h"
#include "capture/v4l2/v4l2camera.h"

namespace {

using F = PropertyFamily;

FakeNodeScript CameraScript(std::map<uint32_t, std::string> exposureModes) {
  FakeNodeScript script;
  script.Formats = {{V4L2_PIX_FMT_BGR24, "BGR", 0, {{16, 8}}, {}}};
  script.Controls = {
      IntegerControl(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0, 10),
      IntegerControl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance", 2800, 6500, 10, 4600,
                     5000),
      BooleanControl(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Auto", true),
      IntegerControl(V4L2_CID_GAIN, "Gain", 0, 255, 1, 32, 40),
      BooleanControl(V4L2_CID_AUTOGAIN, "Gain, Auto", false),
      IntegerControl(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure", 3, 2047, 1, 250, 300),
      MenuControl(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", 0, 3, 3, std::move(exposureModes)),
      IntegerControl(V4L2_CID_FOCUS_ABSOLUTE, "Focus", 0, 250, 5, 0, 100),
      BooleanControl(V4L2_CID_HFLIP, "Horizontal Flip", false)};
  return script;
}

class CameraProperties : public ::testing::Test {
 protected:
  void Open(std::map<uint32_t, std::string> exposureModes = {{1, "Manual Mode"},
                                                             {3, "Aperture Priority Mode"}}) {
    device_->AddNode("/dev/video0", CameraScript(std::move(exposureModes)));
    std::string error;
    camera_ = V4l2Camera::Open(device_, "/dev/video0", "Камера", error);
    ASSERT_TRUE(camera_) << error;
  }
  int32_t Value(uint32_t id) {
    for (const VideoControl& control : camera_->Controls())
      if (control.Id == id) return control.Value;
    ADD_FAILURE() << "no control " << id;
    return -1;
  }

  std::shared_ptr<FakeV4l2Device> device_ = std::make_shared<FakeV4l2Device>();
  std::unique_ptr<V4l2Camera> camera_;
};

TEST_F(CameraProperties, ReadRangesValuesAndAutomaticModes) {
  Open();
  const auto brightness = ReadCameraProperty(*camera_, F::VideoQuality, kQualityBrightness);
  ASSERT_TRUE(brightness);
  EXPECT_EQ(brightness->Minimum, -64);
  EXPECT_EQ(brightness->Maximum, 64);
  EXPECT_EQ(brightness->Value, 10);
  EXPECT_FALSE(brightness->Automatic);
  EXPECT_FALSE(brightness->CanBeAutomatic);

  const auto balance = ReadCameraProperty(*camera_, F::VideoQuality, kQualityWhiteBalance);
  ASSERT_TRUE(balance);
  EXPECT_EQ(balance->Step, 10);
  EXPECT_EQ(balance->Default, 4600);
  EXPECT_TRUE(balance->Automatic);
  const auto gain = ReadCameraProperty(*camera_, F::VideoQuality, kQualityGain);
  ASSERT_TRUE(gain);
  EXPECT_FALSE(gain->Automatic);
  EXPECT_TRUE(gain->CanBeAutomatic);
  const auto exposure = ReadCameraProperty(*camera_, F::CameraControl, kControlExposure);
  ASSERT_TRUE(exposure);
  EXPECT_TRUE(exposure->Automatic);  // aperture priority leaves the time to the camera
  EXPECT_EQ(exposure->Value, 300);
  const auto focus = ReadCameraProperty(*camera_, F::CameraControl, kControlFocus);
  ASSERT_TRUE(focus);
  EXPECT_EQ(focus->Step, 5);
  EXPECT_FALSE(focus->CanBeAutomatic);
}

TEST_F(CameraProperties, NumbersNotOfferedOrAbsentAreUnavailableAndIgnored) {
  Open();
  // Colour enable, backlight compensation; pan, tilt, roll, zoom, iris; outside either family.
  for (const int number : {-1, 6, 8, 10}) {
    EXPECT_FALSE(ReadCameraProperty(*camera_, F::VideoQuality, number)) << number;
    EXPECT_EQ(PropertyChange::Applied,
              SetCameraProperty(*camera_, F::VideoQuality, number, false, 1, false));
  }
  for (const int number : {0, 1, 2, 3, 5, 7})
    EXPECT_FALSE(ReadCameraProperty(*camera_, F::CameraControl, number)) << number;
  // Hue is offered but this camera has none.
  EXPECT_FALSE(ReadCameraProperty(*camera_, F::VideoQuality, kQualityHue));
  EXPECT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityHue, false, 1, false));
  EXPECT_EQ(device_->Calls(VIDIOC_S_CTRL), 0);
}

TEST_F(CameraProperties, ManualAndAutomaticControlReachTheSwitches) {
  Open();
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::CameraControl, kControlExposure, false, 500, false));
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_ABSOLUTE), 500);
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::CameraControl, kControlExposure, true, 600, false));
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_ABSOLUTE), 600);

  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityGain, true, 100, false));
  EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 1);
  EXPECT_EQ(Value(V4L2_CID_GAIN), 100);
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityGain, false, 0, true));
  EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 0);
  EXPECT_EQ(Value(V4L2_CID_GAIN), 32);  // the default, not the value passed
  EXPECT_TRUE(ReadCameraProperty(*camera_, F::VideoQuality, kQualityWhiteBalance)->Automatic);
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityWhiteBalance, false, 3000, false));
  EXPECT_EQ(Value(V4L2_CID_AUTO_WHITE_BALANCE), 0);
  EXPECT_EQ(Value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3000);
}

TEST_F(CameraProperties, FullAutomaticExposureIsPreferredWhenOffered) {
  Open({{0, "Auto Mode"}, {1, "Manual Mode"}, {3, "Aperture Priority Mode"}});
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::CameraControl, kControlExposure, true, 400, false));
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_AUTO);
}

TEST_F(CameraProperties, AutomaticControlWithoutAnAutomaticModeIsRefusedUntouched) {
  // The camera is in aperture priority, a mode it does not offer to choose.
  Open({{1, "Manual Mode"}, {2, "Shutter Priority Mode"}});
  const auto exposure = ReadCameraProperty(*camera_, F::CameraControl, kControlExposure);
  EXPECT_FALSE(exposure->CanBeAutomatic);
  EXPECT_TRUE(exposure->Automatic);
  // Asked for automatic, it stays in that mode; nothing is sent.
  EXPECT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::CameraControl, kControlExposure, true, 40, false));
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), 3);
  // Neither a switch nor a menu mode: focus and brightness of this camera.
  EXPECT_EQ(PropertyChange::NoAutomaticMode,
            SetCameraProperty(*camera_, F::CameraControl, kControlFocus, true, 40, false));
  EXPECT_EQ(PropertyChange::NoAutomaticMode,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityBrightness, true, 40, false));
  EXPECT_EQ(device_->Calls(VIDIOC_S_CTRL), 0);
  // Once manual, the exposure cannot be handed back.
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::CameraControl, kControlExposure, false, 400, false));
  EXPECT_EQ(PropertyChange::NoAutomaticMode,
            SetCameraProperty(*camera_, F::CameraControl, kControlExposure, true, 500, false));
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_ABSOLUTE), 400);
}

TEST_F(CameraProperties, BrightnessAndHueReachTheirOwnAutomaticSwitches) {
  device_->AddNode("/dev/video0", CameraScript({{1, "Manual Mode"}}));
  device_->Script("/dev/video0", [](FakeNodeScript& script) {
    script.Controls.push_back(BooleanControl(V4L2_CID_AUTOBRIGHTNESS, "Brightness, Auto", false));
    script.Controls.push_back(IntegerControl(V4L2_CID_HUE, "Hue", -180, 180, 1, 0, 20));
    script.Controls.push_back(BooleanControl(V4L2_CID_HUE_AUTO, "Hue, Auto", true));
  });
  std::string error;
  camera_ = V4l2Camera::Open(device_, "/dev/video0", "Камера", error);
  ASSERT_TRUE(camera_) << error;
  EXPECT_TRUE(ReadCameraProperty(*camera_, F::VideoQuality, kQualityBrightness)->CanBeAutomatic);
  EXPECT_TRUE(ReadCameraProperty(*camera_, F::VideoQuality, kQualityHue)->Automatic);
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityBrightness, true, 30, false));
  EXPECT_EQ(Value(V4L2_CID_AUTOBRIGHTNESS), 1);
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 30);
  ASSERT_EQ(PropertyChange::Applied,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityHue, false, -30, false));
  EXPECT_EQ(Value(V4L2_CID_HUE_AUTO), 0);
  EXPECT_EQ(Value(V4L2_CID_HUE), -30);
}

TEST_F(CameraProperties, ARefusedValueIsReportedAndLeavesTheOldOne) {
  Open();
  EXPECT_EQ(PropertyChange::Refused,
            SetCameraProperty(*camera_, F::VideoQuality, kQualityBrightness, false, 65, false));
  EXPECT_NE(camera_->Error().find("не поддерживает это значение"), std::string::npos)
      << camera_->Error();
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 10);
}

TEST_F(CameraProperties, DeviceFlipsAreFoundByTheirControls) {
  Open();
  EXPECT_TRUE(HasDeviceFlip(*camera_, true));
  EXPECT_FALSE(HasDeviceFlip(*camera_, false));
}

}  // namespace
