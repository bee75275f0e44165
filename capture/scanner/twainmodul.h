#pragma once
// The required unit name says TWAIN; what it drives is SANE (libsane).
// Acquisition from a scanner: the scanner library is loaded for each command
// and unloaded after it, so the program starts and runs without it.

#include <cstdint>
#include <string>

#include "capture/scanner/scanner.h"
#include "capture/scanner/scansettings.h"
#include "imagefiles/imagefiles.h"

class QWidget;

struct TwainSettings {
  std::string TwainLibraryPath = "libsane.so.1";
  // When set, scans go without the dialog, with the last choices.
  int32_t HideScannerUI = 0;
  std::string Source;  // the device chosen last; empty: the first found
  ScanChoices LastChoices;
  ScannerLoader Loader = LoadSaneBackend;
};

struct TwainResult {
  bool Acquired = false;
  Bitmap Image;       // 24 bits per pixel when acquired
  PixStatus Saved;    // how writing the file went
  std::string Error;  // in Russian: why nothing was acquired (empty: cancelled)
};

// Loads the library, finds the device, shows the scan dialog, scans one
// picture off the window's thread, saves it under fileName and unloads.
// Named after TWAIN, it acquires through SANE.
TwainResult TwainAcquire(QWidget* parent, TwainSettings& settings, const std::string& fileName);

// Lets the user choose the device later scans use; the reason when the list
// could not be shown (no library, no scanner), empty otherwise.
std::string TwainSelectSource(QWidget* parent, TwainSettings& settings);
