#pragma once
// Editors for a device's controls, one row each, that apply every change at
// once. The device settings dialog and the camera dialog build on them.

#include <QWidget>
#include <cstdint>
#include <vector>

#include "capture/video/videosource.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QSlider;
class QSpinBox;

// The editor of one control, by its kind: a slider with a spin box for
// integers, a check box for booleans, a list for menus; disabled when read-only.
class VideoControlRow : public QWidget {
 public:
  VideoControlRow(VideoSource& source, const VideoControl& control, QWidget* parent = nullptr);

  uint32_t ControlId() const { return id_; }
  // Shows value without sending it to the device.
  void ShowValue(int32_t value);

  // Only the editors of the control's kind exist; the others stay null.
  QSlider* Slider = nullptr;
  QSpinBox* SpinBox = nullptr;
  QCheckBox* CheckBox = nullptr;
  QComboBox* ComboBox = nullptr;

 private:
  void BuildNumber(const VideoControl& control);
  void BuildMenu(const VideoControl& control);
  // Sends value and shows what the device took, which may differ.
  void Apply(int32_t value);

  VideoSource& source_;
  uint32_t id_;
  bool showing_ = false;
};

// Adds a labelled row per control of source to form, in the device's order.
std::vector<VideoControlRow*> AddControlRows(QFormLayout& form, VideoSource& source);

// Shows in each row the value the device now reports.
void RefreshControlRows(const std::vector<VideoControlRow*>& rows, VideoSource& source);
