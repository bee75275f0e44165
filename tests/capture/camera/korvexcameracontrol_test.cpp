// The camera dialog over scripted V4L2 cameras: opening must send nothing,
// each row must drive its control and show what the device has, and the
// mirror switches must mirror the live picture one way or the other.
#include "capture/camera/korvexcameracontrol.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>

#include "capture/simulated/simulatedcamera.h"
#include "capture/v4l2/fakev4l2device.h"
#include "capture/v4l2/v4l2provider.h"
#include "capture/video/videograbber.h"
#include "imagefiles/imagefiles.h"
#include "support/testimages.h"

namespace {

constexpr int kPictureW = 8;
constexpr int kPictureH = 4;

FakeNodeScript Script(std::vector<FakeControl> controls) {
  FakeNodeScript script;
  script.Card = "Камера микроскопа";
  script.Formats = {{V4L2_PIX_FMT_BGR24, "BGR 8-8-8", 0, {{kPictureW, kPictureH}}, {}}};
  script.Controls = std::move(controls);
  return script;
}

std::vector<FakeControl> PictureControls() {
  return {IntegerControl(V4L2_CID_BRIGHTNESS, "Brightness", -64, 64, 1, 0, 10),
          IntegerControl(V4L2_CID_CONTRAST, "Contrast", 0, 100, 2, 50, 60),
          IntegerControl(V4L2_CID_GAIN, "Gain", 0, 255, 1, 32, 40),
          BooleanControl(V4L2_CID_AUTOGAIN, "Gain, Auto", false),
          IntegerControl(V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance", 2800, 6500, 10, 4600,
                         5000),
          BooleanControl(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Auto", true),
          IntegerControl(V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure", 3, 2047, 1, 250, 300),
          MenuControl(V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", 0, 3, 3,
                      {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}),
          IntegerControl(V4L2_CID_FOCUS_ABSOLUTE, "Focus", 0, 250, 5, 0, 100),
          BooleanControl(V4L2_CID_FOCUS_AUTO, "Focus, Auto", false)};
}

// Pixel (x, y) holds x in blue and y in green.
std::vector<uint8_t> CoordinateFrame() {
  std::vector<uint8_t> bytes;
  for (int y = 0; y < kPictureH; ++y) {
    for (int x = 0; x < kPictureW; ++x)
      bytes.insert(bytes.end(), {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9});
  }
  return bytes;
}

class VideoQuality : public ::testing::Test {
 protected:
  void Open(std::vector<FakeControl> controls) {
    device_->AddNode("/dev/video0", Script(std::move(controls)));
    grabber_ = std::make_unique<TVideoGrabber>(std::make_unique<V4l2Provider>(device_));
    ASSERT_NE(grabber_->Source(), nullptr);
    dialog_ = std::make_unique<TfrmVideoQuality>(*grabber_);
  }
  int32_t Value(uint32_t id) {
    for (const VideoControl& control : grabber_->Source()->Controls())
      if (control.Id == id) return control.Value;
    ADD_FAILURE() << "no control " << id;
    return -1;
  }
  Bitmap NextFrame() {
    Bitmap received;
    QObject::connect(grabber_.get(), &TVideoGrabber::OnFrameCaptureCompleted, grabber_.get(),
                     [&received](QObject*, const Bitmap& frame) { received = frame; });
    QSignalSpy frames(grabber_.get(), &TVideoGrabber::OnFrameCaptureCompleted);
    EXPECT_TRUE(grabber_->CaptureFrameTo(fc_TBitmap, QString()));
    EXPECT_TRUE(device_->PushFrame(CoordinateFrame()));
    EXPECT_TRUE(frames.wait(20000));
    QObject::disconnect(grabber_.get(), &TVideoGrabber::OnFrameCaptureCompleted, grabber_.get(),
                        nullptr);
    return received;
  }
  // Whether frame is the coordinate frame mirrored as asked.
  static bool Mirrored(const Bitmap& frame, bool horizontal, bool vertical) {
    if (frame.Width() != kPictureW || frame.Height() != kPictureH) return false;
    for (int y = 0; y < kPictureH; ++y) {
      for (int x = 0; x < kPictureW; ++x) {
        const uint8_t* pixel = frame.Pixel(x, y);
        if (pixel[0] != (horizontal ? kPictureW - 1 - x : x) ||
            pixel[1] != (vertical ? kPictureH - 1 - y : y))
          return false;
      }
    }
    return true;
  }

  std::shared_ptr<FakeV4l2Device> device_ = std::make_shared<FakeV4l2Device>();
  std::unique_ptr<TVideoGrabber> grabber_;
  std::unique_ptr<TfrmVideoQuality> dialog_;
};

TEST_F(VideoQuality, OpeningLoadsEveryRowAndSendsNothing) {
  Open(PictureControls());
  TfrmVideoQuality& d = *dialog_;
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Настройки камеры"));
  EXPECT_TRUE(d.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_FALSE(d.FlipVert->isChecked());
  EXPECT_FALSE(d.FlipHor->isChecked());
  const int sentBefore = device_->Calls(VIDIOC_S_CTRL);
  d.show();
  EXPECT_EQ(device_->Calls(VIDIOC_S_CTRL), sentBefore);
  EXPECT_EQ(d.size(), QSize(613, 457));
  EXPECT_FALSE(d.Updating);

  EXPECT_EQ(d.tbrBrightness->minimum(), -64);
  EXPECT_EQ(d.tbrBrightness->maximum(), 64);
  EXPECT_EQ(d.tbrBrightness->value(), 10);
  EXPECT_EQ(d.tbrContrast->tickInterval(), 10);  // 0..100 by 2: ten gaps, not fifty
  // "Авто" only where the camera has an automatic mode.
  EXPECT_FALSE(d.chkBrightness->isEnabled());
  EXPECT_FALSE(d.chkContrast->isEnabled());
  EXPECT_TRUE(d.chkGain->isEnabled());
  EXPECT_TRUE(d.chkFocus->isEnabled());
  EXPECT_FALSE(d.chkBrightness->isChecked());
  EXPECT_TRUE(d.btnBrightness->isEnabled());
  // Automatic white balance and exposure: the box is ticked, the rest waits.
  EXPECT_TRUE(d.chkWhiteBalance->isChecked());
  EXPECT_FALSE(d.tbrWhiteBalance->isEnabled());
  EXPECT_FALSE(d.btnWhiteBalance->isEnabled());
  EXPECT_EQ(d.tbrWhiteBalance->value(), 5000);
  EXPECT_TRUE(d.chkExposure->isChecked());
  EXPECT_EQ(d.tbrExposure->value(), 300);
  EXPECT_EQ(d.tbrFocus->tickInterval(), 25);
  // Rows the camera lacks.
  for (QSlider* missing : {d.tbrHue, d.tbrSaturation, d.tbrSharpness, d.tbrGamma}) {
    EXPECT_FALSE(missing->isEnabled());
    EXPECT_EQ(missing->minimum(), 0);
    EXPECT_EQ(missing->maximum(), 1);
    EXPECT_EQ(missing->value(), 0);
    EXPECT_EQ(missing->tickInterval(), 0);
  }
  EXPECT_FALSE(d.chkHue->isEnabled());
  EXPECT_FALSE(d.btnHue->isEnabled());

  // Tags are property numbers; the table puts camera controls nine rows on.
  EXPECT_EQ(d.btnGain->property("Tag").toInt(), 9);
  EXPECT_EQ(d.chkExposure->property("Tag").toInt(), 4);
  EXPECT_EQ(d.Rows[13].TrackBar, d.tbrExposure);
  EXPECT_EQ(d.Rows[15].Button, d.btnFocus);
  EXPECT_EQ(d.Rows[7].CheckBox, d.chkWhiteBalance);
  for (const int empty : {6, 8, 10, 11, 12, 14}) EXPECT_EQ(d.Rows[empty].TrackBar, nullptr);
  EXPECT_EQ(d.findChild<QSlider*>(QStringLiteral("tbrWhiteBalance")), d.tbrWhiteBalance);
  EXPECT_EQ(d.chkFocus->text(), QStringLiteral("Авто"));
  EXPECT_EQ(d.btnFocus->text(), QStringLiteral("По умолчанию"));
  EXPECT_EQ(d.tbrFocus->width(), 300);
}

TEST_F(VideoQuality, AutoHandsThePropertyToTheCameraAndBack) {
  Open(PictureControls());
  dialog_->show();
  dialog_->tbrGain->setValue(77);
  EXPECT_EQ(Value(V4L2_CID_GAIN), 77);
  dialog_->chkGain->click();
  EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 1);
  EXPECT_EQ(Value(V4L2_CID_GAIN), 77);
  EXPECT_FALSE(dialog_->tbrGain->isEnabled());
  EXPECT_FALSE(dialog_->btnGain->isEnabled());
  dialog_->chkGain->click();
  EXPECT_EQ(Value(V4L2_CID_AUTOGAIN), 0);
  EXPECT_TRUE(dialog_->tbrGain->isEnabled());
  EXPECT_TRUE(dialog_->btnGain->isEnabled());

  // The camera-control family: exposure's automatic mode is a menu entry.
  dialog_->chkExposure->click();
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL);
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_ABSOLUTE), 300);
  dialog_->tbrExposure->setValue(900);
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_ABSOLUTE), 900);
  dialog_->chkExposure->click();
  EXPECT_EQ(Value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);

  // The next opening shows what the device has now.
  dialog_->hide();
  ASSERT_TRUE(grabber_->Source()->SetControl(V4L2_CID_AUTOGAIN, 1));
  dialog_->show();
  EXPECT_TRUE(dialog_->chkGain->isChecked());
  EXPECT_FALSE(dialog_->tbrGain->isEnabled());
}

TEST_F(VideoQuality, AnAutomaticModeThatIsGoneIsToldAndTheBoxUnticked) {
  std::vector<FakeControl> controls = PictureControls();
  controls.push_back(IntegerControl(V4L2_CID_HUE, "Hue", -180, 180, 1, 0, 20));
  controls.push_back(BooleanControl(V4L2_CID_HUE_AUTO, "Hue, Automatic", false));
  Open(std::move(controls));
  dialog_->show();
  ASSERT_TRUE(dialog_->chkHue->isEnabled());
  // The camera drops its automatic hue while the dialog is open.
  device_->Script("/dev/video0", [](FakeNodeScript& script) { script.Controls.pop_back(); });
  dialog_->chkHue->click();
  EXPECT_TRUE(dialog_->lblRefusal->isVisible());
  EXPECT_TRUE(dialog_->lblRefusal->text().contains(QStringLiteral("автоматического режима")));
  EXPECT_FALSE(dialog_->chkHue->isChecked());
  EXPECT_TRUE(dialog_->tbrHue->isEnabled());
  EXPECT_EQ(Value(V4L2_CID_HUE), 20);
}

TEST_F(VideoQuality, DefaultButtonMovesTheTrackBarToTheDevicesDefault) {
  Open(PictureControls());
  dialog_->show();
  dialog_->tbrBrightness->setValue(-20);
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), -20);
  dialog_->btnBrightness->click();
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 0);
  EXPECT_EQ(dialog_->tbrBrightness->value(), 0);
  dialog_->chkFocus->click();
  dialog_->chkFocus->click();
  dialog_->btnFocus->click();
  EXPECT_EQ(Value(V4L2_CID_FOCUS_ABSOLUTE), 0);
  EXPECT_EQ(dialog_->tbrFocus->value(), 0);
}

TEST_F(VideoQuality, ARefusedChangeShowsTheReasonAndTheRealValue) {
  Open(PictureControls());
  ASSERT_TRUE(grabber_->StartPreview());
  QSignalSpy failures(grabber_.get(), &TVideoGrabber::OnDeviceError);
  dialog_->show();
  EXPECT_FALSE(dialog_->lblRefusal->isVisible());
  // The camera narrows its range behind the dialog's back.
  device_->Script("/dev/video0",
                  [](FakeNodeScript& script) { script.Controls[0].Query.maximum = 20; });
  const int sentBefore = device_->Calls(VIDIOC_S_CTRL);
  dialog_->tbrBrightness->setValue(50);
  EXPECT_EQ(device_->Calls(VIDIOC_S_CTRL), sentBefore + 1);  // the shown value is not sent back
  EXPECT_EQ(Value(V4L2_CID_BRIGHTNESS), 10);
  EXPECT_EQ(dialog_->tbrBrightness->value(), 10);
  EXPECT_TRUE(dialog_->lblRefusal->isVisible());
  EXPECT_TRUE(dialog_->lblRefusal->text().contains(QStringLiteral("не поддерживает это значение")))
      << dialog_->lblRefusal->text().toStdString();
  // The live picture goes on.
  EXPECT_TRUE(Mirrored(NextFrame(), false, false));
  EXPECT_TRUE(grabber_->Previewing());
  EXPECT_EQ(failures.size(), 0);
  dialog_->tbrBrightness->setValue(15);
  EXPECT_FALSE(dialog_->lblRefusal->isVisible());
  grabber_->StopPreview();
}

TEST_F(VideoQuality, ACameraWithoutPropertiesLeavesEveryRowDisabled) {
  Open({});
  QTimer::singleShot(0, dialog_.get(), [this] {
    for (const auto& row : dialog_->Rows) {
      if (row.TrackBar == nullptr) continue;
      EXPECT_FALSE(row.TrackBar->isEnabled());
      EXPECT_FALSE(row.CheckBox->isEnabled());
      EXPECT_FALSE(row.Button->isEnabled());
    }
    dialog_->btnClose->click();
  });
  dialog_->exec();
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(device_->Calls(VIDIOC_S_CTRL), 0);
}

TEST_F(VideoQuality, WithoutAnyDeviceTheDialogStillOpens) {
  TVideoGrabber grabber(std::make_unique<V4l2Provider>(device_));
  TfrmVideoQuality dialog(grabber);
  dialog.show();
  EXPECT_FALSE(dialog.tbrBrightness->isEnabled());
  dialog.tbrBrightness->setValue(0);
  dialog.FlipVert->click();
  EXPECT_TRUE(grabber.VideoProcessing_FlipVertical());
  dialog.btnClose->click();
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(VideoQuality, MirrorsByTheCameraWhenItCan) {
  std::vector<FakeControl> controls = PictureControls();
  controls.push_back(BooleanControl(V4L2_CID_HFLIP, "Horizontal Flip", false));
  controls.push_back(BooleanControl(V4L2_CID_VFLIP, "Vertical Flip", false));
  Open(std::move(controls));
  ASSERT_TRUE(grabber_->StartPreview());
  dialog_->show();
  dialog_->FlipHor->click();
  dialog_->FlipVert->click();
  EXPECT_EQ(Value(V4L2_CID_HFLIP), 1);
  EXPECT_EQ(Value(V4L2_CID_VFLIP), 1);
  // The fake camera does not mirror: the frame must arrive as it was sent.
  EXPECT_TRUE(Mirrored(NextFrame(), false, false));
  dialog_->FlipHor->click();
  EXPECT_EQ(Value(V4L2_CID_HFLIP), 0);
  grabber_->StopPreview();
}

TEST_F(VideoQuality, MirrorsTheFramesWhenTheCameraCannot) {
  Open(PictureControls());
  ASSERT_TRUE(grabber_->StartPreview());
  dialog_->show();
  dialog_->FlipVert->click();
  EXPECT_TRUE(Mirrored(NextFrame(), false, true));
  dialog_->FlipHor->click();
  EXPECT_TRUE(Mirrored(NextFrame(), true, true));
  // The switches keep their state between openings.
  dialog_->btnClose->click();
  dialog_->show();
  EXPECT_TRUE(dialog_->FlipVert->isChecked());
  dialog_->FlipVert->click();
  dialog_->FlipHor->click();
  EXPECT_TRUE(Mirrored(NextFrame(), false, false));
  grabber_->StopPreview();
}

// The dialog on the simulated camera: its brightness row lightens the picture.
TEST(VideoQualitySimulated, BrightnessRowLightensTheSimulatedPicture) {
  const QString picture = QDir::temp().filePath(QStringLiteral("videoquality_flat.bmp"));
  ASSERT_TRUE(PixSaveImage(picture.toStdString(), FlatBitmap(640, 480, 100, 100, 100)));
  SimulatedCameraOptions options;
  options.Picture = picture.toStdString();
  TVideoGrabber grabber(std::make_unique<SimulatedCameraProvider>(options));
  ASSERT_NE(grabber.Source(), nullptr);
  TfrmVideoQuality dialog(grabber);
  dialog.show();
  EXPECT_TRUE(dialog.tbrBrightness->isEnabled());
  EXPECT_TRUE(dialog.tbrGain->isEnabled());
  EXPECT_FALSE(dialog.chkGain->isChecked());
  EXPECT_FALSE(dialog.tbrHue->isEnabled());
  dialog.tbrBrightness->setValue(25);
  ASSERT_TRUE(grabber.Source()->Start({640, 480}));
  EXPECT_TRUE(*grabber.Source()->TakeFrame() == FlatBitmap(640, 480, 125, 125, 125));
  dialog.btnBrightness->click();
  EXPECT_TRUE(*grabber.Source()->TakeFrame() == FlatBitmap(640, 480, 100, 100, 100));
  QFile::remove(picture);
}

}  // namespace
