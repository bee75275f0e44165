// The device dialogs over a scripted device: each change must reach the
// device, and what the device answers must be what the dialog shows.
#include "capture/camera/devicedialogs.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include "capture/simulated/simulatedcamera.h"
#include "support/testimages.h"

namespace {

VideoControl Control(uint32_t id, VideoControl::Kind kind, int32_t minimum, int32_t maximum,
                     int32_t defaultValue) {
  VideoControl control;
  control.Id = id;
  control.Name = "control " + std::to_string(id);
  control.Type = kind;
  control.Minimum = minimum;
  control.Maximum = maximum;
  control.Default = defaultValue;
  control.Value = defaultValue;
  return control;
}

// A device that rounds integers to even values, as real devices round to their step.
class ScriptedSource : public VideoSource {
 public:
  ScriptedSource() {
    controls = {Control(1, VideoControl::Kind::Integer, -10, 10, 4),
                Control(2, VideoControl::Kind::Boolean, 0, 1, 1),
                Control(3, VideoControl::Kind::Menu, 0, 2, 0),
                Control(4, VideoControl::Kind::Integer, 0, 100, 50)};
    controls[2].MenuItems = {{0, "auto"}, {1, "manual"}, {2, "shutter"}};
    controls[3].ReadOnly = true;
  }
  std::vector<FrameSize> FrameSizes() const override {
    return {{320, 240}, {640, 480}, {800, 600}};
  }
  std::vector<std::string> PixelFormats() const override { return {"YUYV", "MJPG"}; }
  std::vector<std::string> Standards() const override { return {"PAL", "NTSC"}; }
  std::vector<std::string> Inputs() const override { return {"Камера", "S-Video", "Занятый"}; }
  int PixelFormat() const override { return 0; }
  bool SetPixelFormat(int) override { return true; }
  int Standard() const override { return standard; }
  bool SetStandard(int index) override {
    standard = index;
    return true;
  }
  int Input() const override { return input; }
  bool SetInput(int index) override {
    if (index == 2) {
      error = "вход занят";
      return false;
    }
    input = index;
    return true;
  }
  std::vector<VideoControl> Controls() override { return controls; }
  bool SetControl(uint32_t id, int32_t value) override {
    for (VideoControl& control : controls) {
      if (control.Id == id) control.Value = control.Id == 1 ? value / 2 * 2 : value;
    }
    ++sets;
    return true;
  }
  bool Start(FrameSize) override { return true; }
  void Stop() override {}
  bool Running() const override { return false; }
  FrameSize StreamSize() const override { return {640, 480}; }
  std::optional<Bitmap> TakeFrame() override { return std::nullopt; }
  void SetFrameReady(std::function<void()>) override {}
  std::string Error() const override { return error; }

  std::vector<VideoControl> controls;
  int input = 0;
  int standard = 1;
  int sets = 0;
  std::string error;
};

TEST(DeviceSettingsDialog, EditsReachTheDeviceAndDefaultsReturn) {
  ScriptedSource source;
  DeviceSettingsDialog dialog(source);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Настройка устройства"));
  ASSERT_EQ(dialog.Rows.size(), 4u);
  EXPECT_EQ(source.sets, 0);  // building the rows sends nothing

  VideoControlRow& number = *dialog.Rows[0];
  EXPECT_EQ(number.Slider->value(), 4);
  number.Slider->setValue(-7);
  EXPECT_EQ(source.controls[0].Value, -6);
  EXPECT_EQ(number.SpinBox->value(), -6);  // what the device took
  EXPECT_EQ(number.Slider->value(), -6);

  dialog.Rows[1]->CheckBox->setChecked(false);
  EXPECT_EQ(source.controls[1].Value, 0);
  dialog.Rows[2]->ComboBox->setCurrentIndex(2);
  EXPECT_EQ(source.controls[2].Value, 2);
  EXPECT_FALSE(dialog.Rows[3]->isEnabled());
  EXPECT_EQ(dialog.Rows[3]->SpinBox->value(), 50);

  EXPECT_EQ(dialog.DefaultsButton->text(), QStringLiteral("По умолчанию"));
  dialog.DefaultsButton->click();
  for (const VideoControl& control : source.controls) EXPECT_EQ(control.Value, control.Default);
  EXPECT_EQ(number.SpinBox->value(), 4);
  EXPECT_TRUE(dialog.Rows[1]->CheckBox->isChecked());
  EXPECT_EQ(dialog.Rows[2]->ComboBox->currentText(), QStringLiteral("auto"));
}

TEST(DeviceSettingsDialog, RowsDriveTheSimulatedCamera) {
  SimulatedCamera camera(std::make_shared<const Bitmap>(FlatBitmap(640, 480, 90, 90, 90)), {}, {});
  ASSERT_TRUE(camera.Start({640, 480}));
  DeviceSettingsDialog dialog(camera);
  auto* form = dialog.findChild<QFormLayout*>();
  ASSERT_NE(form, nullptr);
  auto* label = qobject_cast<QLabel*>(form->labelForField(dialog.Rows[0]));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("Шум"));
  dialog.Rows[0]->SpinBox->setValue(12);
  EXPECT_EQ(camera.Controls()[0].Value, 12);
  EXPECT_FALSE(*camera.TakeFrame() == FlatBitmap(640, 480, 90, 90, 90));
  dialog.RestoreDefaults();
  EXPECT_TRUE(*camera.TakeFrame() == FlatBitmap(640, 480, 90, 90, 90));

  // Shown modally, it closes by its own button.
  QTimer::singleShot(0, &dialog, [&dialog] { dialog.CloseButton->click(); });
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

TEST(StreamFormatDialog, ReturnsTheChosenSizeAndFormat) {
  ScriptedSource source;
  StreamFormatDialog dialog(source);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Настройка видеопотока"));
  EXPECT_EQ(dialog.SizeBox->count(), 3);
  EXPECT_EQ(dialog.SizeBox->currentText(), QStringLiteral("640 × 480"));
  EXPECT_EQ(dialog.ChosenSize(), 1);
  dialog.SizeBox->setCurrentIndex(2);
  dialog.FormatBox->setCurrentIndex(1);
  QTimer::singleShot(0, &dialog,
                     [&dialog] { dialog.Buttons->button(QDialogButtonBox::Ok)->click(); });
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
  EXPECT_EQ(dialog.ChosenSize(), 2);
  EXPECT_EQ(dialog.ChosenFormat(), 1);
}

TEST(VideoModeDialog, AppliesInputAndStandardOnOk) {
  ScriptedSource source;
  VideoModeDialog dialog(source);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Настройка видеорежима"));
  EXPECT_EQ(dialog.StandardBox->currentText(), QStringLiteral("NTSC"));
  dialog.InputBox->setCurrentIndex(1);
  dialog.StandardBox->setCurrentIndex(0);
  EXPECT_EQ(source.input, 0);  // nothing before OK
  dialog.Buttons->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(source.input, 1);
  EXPECT_EQ(source.standard, 0);
}

TEST(VideoModeDialog, RefusedInputKeepsTheDialogOpenWithTheReason) {
  ScriptedSource source;
  VideoModeDialog dialog(source);
  dialog.show();
  dialog.InputBox->setCurrentIndex(2);
  dialog.Buttons->button(QDialogButtonBox::Ok)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.ErrorLabel->isHidden());
  EXPECT_EQ(dialog.ErrorLabel->text(), QStringLiteral("вход занят"));
  EXPECT_EQ(source.input, 0);
}

TEST(VideoModeDialog, StandardIsDisabledWithoutStandards) {
  SimulatedCamera camera(std::make_shared<const Bitmap>(FlatBitmap(640, 480, 0, 0, 0)), {}, {});
  VideoModeDialog dialog(camera);
  EXPECT_FALSE(dialog.StandardBox->isEnabled());
  EXPECT_EQ(dialog.InputBox->currentText(), QStringLiteral("Имитация"));
  dialog.Buttons->button(QDialogButtonBox::Ok)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
