#pragma once
// The device's own modal dialogs that the video component shows by number:
// 0 device settings, 3 stream format, 7 video mode. Each is built apart from
// exec(), so that it can be filled in and accepted without a nested loop.

#include <QDialog>
#include <QString>
#include <vector>

#include "capture/camera/videocontrolrow.h"
#include "capture/video/videosource.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;

// "640 × 480"
QString FrameSizeText(FrameSize size);

// Dialog 0: every control of the device, applied as it changes.
class DeviceSettingsDialog : public QDialog {
 public:
  explicit DeviceSettingsDialog(VideoSource& source, QWidget* parent = nullptr);

  // Gives every changeable control its default and shows what the device took.
  void RestoreDefaults();

  std::vector<VideoControlRow*> Rows;
  QPushButton* DefaultsButton = nullptr;
  QPushButton* CloseButton = nullptr;

 private:
  VideoSource& source_;
};

// Dialog 3: frame size and pixel format. Changes nothing itself: the caller
// takes the chosen indices and restarts the stream with them.
class StreamFormatDialog : public QDialog {
 public:
  explicit StreamFormatDialog(VideoSource& source, QWidget* parent = nullptr);

  int ChosenSize() const;    // index into FrameSizes()
  int ChosenFormat() const;  // index into PixelFormats()

  QComboBox* SizeBox = nullptr;
  QComboBox* FormatBox = nullptr;
  QDialogButtonBox* Buttons = nullptr;
};

// Dialog 7: video input and TV standard, applied on OK. A choice the device
// refuses keeps the dialog open with the device's reason shown.
class VideoModeDialog : public QDialog {
 public:
  explicit VideoModeDialog(VideoSource& source, QWidget* parent = nullptr);

  void accept() override;

  QComboBox* InputBox = nullptr;
  QComboBox* StandardBox = nullptr;
  QLabel* ErrorLabel = nullptr;
  QDialogButtonBox* Buttons = nullptr;

 private:
  bool Apply();

  VideoSource& source_;
};
