#pragma once
// The scan command of the images page: its drop-down button and menu, the
// scan file name and its numbering. Each scan is saved under the next scan
// file name and read back from that file into the album.

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

#include "capture/scanner/twainmodul.h"

class QAction;
class QMenu;
class QToolButton;

class ScanCommand : public QObject {
  Q_OBJECT

 public:
  // imageFolder is the program's image folder (ends with '/'); commandRunning
  // is the shell's guard against two workflow commands at once.
  ScanCommand(QToolButton* button, QMenu* menu, const std::string& imageFolder,
              bool& commandRunning, QObject* parent);

  std::string ScanFile;
  int32_t ScanCounter = 0;
  TwainSettings Twain;
  QAction* SetTWAIN = nullptr;
  QAction* SaveScanAs = nullptr;
  QAction* AutoNum = nullptr;

  // The album takes the picture under its file name.
  std::function<void(Bitmap&& image, const std::string& name)> AddToAlbum;

 public slots:
  void ToolButtonScanClick();
  void SetTWAINClick();
  void SaveScanAsClick();
  void AutoNumClick();

 private:
  QWidget* Window() const;

  QToolButton* button_;
  bool& commandRunning_;
};
