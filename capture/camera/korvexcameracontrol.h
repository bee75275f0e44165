#pragma once
// The unit Korvexcameracontrol has no file of that name: it is this one.
// The camera dialog: the device's picture properties (video quality) and
// camera properties (exposure, focus) as rows of track bar, "Авто" and
// "По умолчанию", applied at once, plus the two mirror switches. It keeps no
// values of its own: every opening reads them back from the device.

#include <QDialog>
#include <array>
#include <tuple>

#include "capture/camera/cameraproperties.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class TVideoGrabber;

class TfrmVideoQuality : public QDialog {
 public:
  explicit TfrmVideoQuality(TVideoGrabber& grabber, QWidget* parent = nullptr);

  // The three controls of one property; all null for numbers not offered.
  struct Row {
    QSlider* TrackBar = nullptr;
    QCheckBox* CheckBox = nullptr;
    QPushButton* Button = nullptr;
  };

  // Loads every row from the device without sending anything back.
  void RefreshRows();

  // Handlers; sender is the control that raised the event (its tag is the property number).
  void OnSetValueQuality(QObject* sender);
  void OnSetDefaultQuality(QObject* sender);
  void OnSetValueControl(QObject* sender);
  void OnSetDefaultControl(QObject* sender);
  void FlipVertClick();
  void FlipHorClick();
  void btnCloseClick();

  QSlider* tbrBrightness = nullptr;
  QCheckBox* chkBrightness = nullptr;
  QPushButton* btnBrightness = nullptr;
  QSlider* tbrContrast = nullptr;
  QCheckBox* chkContrast = nullptr;
  QPushButton* btnContrast = nullptr;
  QSlider* tbrHue = nullptr;
  QCheckBox* chkHue = nullptr;
  QPushButton* btnHue = nullptr;
  QSlider* tbrSaturation = nullptr;
  QCheckBox* chkSaturation = nullptr;
  QPushButton* btnSaturation = nullptr;
  QSlider* tbrSharpness = nullptr;
  QCheckBox* chkSharpness = nullptr;
  QPushButton* btnSharpness = nullptr;
  QSlider* tbrGamma = nullptr;
  QCheckBox* chkGamma = nullptr;
  QPushButton* btnGamma = nullptr;
  QSlider* tbrWhiteBalance = nullptr;
  QCheckBox* chkWhiteBalance = nullptr;
  QPushButton* btnWhiteBalance = nullptr;
  QSlider* tbrGain = nullptr;
  QCheckBox* chkGain = nullptr;
  QPushButton* btnGain = nullptr;
  QSlider* tbrExposure = nullptr;
  QCheckBox* chkExposure = nullptr;
  QPushButton* btnExposure = nullptr;
  QSlider* tbrFocus = nullptr;
  QCheckBox* chkFocus = nullptr;
  QPushButton* btnFocus = nullptr;

  QCheckBox* FlipVert = nullptr;
  QCheckBox* FlipHor = nullptr;
  QPushButton* btnClose = nullptr;
  // The device's reason when it refused the last change; hidden otherwise.
  QLabel* lblRefusal = nullptr;

  // On while RefreshRows loads the rows: the change handlers do nothing then.
  bool Updating = false;
  // Video quality number n is row n, camera control number n is row n + 9.
  std::array<Row, 16> Rows{};

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void BuildRows();
  QGroupBox* BuildFlipPanel();
  // A row's label, the suffix of its controls' names and its theme icon.
  struct RowLabel {
    const char* Text;
    const char* Name;
    const char* Icon;
  };
  std::tuple<QSlider*, QCheckBox*, QPushButton*> AddRow(QGroupBox& panel, const RowLabel& label,
                                                        PropertyFamily family);
  void BindRow(PropertyFamily family, int number, QSlider* trackBar, QCheckBox* checkBox,
               QPushButton* button);
  Row& RowOf(PropertyFamily family, int number);
  void SetValue(PropertyFamily family, QObject* sender);
  void SetDefault(PropertyFamily family, QObject* sender);
  void ShowOutcome(PropertyChange outcome, PropertyFamily family, int number);

  TVideoGrabber& grabber_;
};
