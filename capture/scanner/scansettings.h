#pragma once
// What the scan dialog offers, read from the options a device reports, and
// how a choice is put back into those options. Devices name their modes in
// many ways; the three the user picks from map onto whatever the device has.

#include <optional>
#include <string>
#include <vector>

#include "capture/scanner/scanner.h"

enum class ScanColour { Colour, Grey, LineArt };

// A numeric option the dialog offers: its range or list, unit and value.
struct ScanNumberChoice {
  std::string Name;
  ScanUnit Unit = ScanUnit::None;
  std::optional<ScanRange> Range;
  std::vector<double> Numbers;
  double Value = 0;
};

// The four edges of the scan area, each in its option's unit.
struct ScanArea {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
  friend bool operator==(const ScanArea&, const ScanArea&) = default;
};

struct ScanCapabilities {
  std::vector<ScanColour> Colours;  // in the order colour, grey, line art
  std::optional<ScanColour> CurrentColour;
  std::optional<ScanNumberChoice> Resolution;
  std::optional<ScanNumberChoice> Depth;  // bits per sample for colour and grey
  bool HasArea = false;
  ScanUnit AreaUnit = ScanUnit::None;
  ScanArea FullArea;  // the largest the device allows
  ScanArea Area;      // the current one
  bool HasPreview = false;
};

struct ScanChoices {
  std::optional<ScanColour> Colour;
  std::optional<double> Resolution;
  std::optional<double> Depth;
  std::optional<ScanArea> Area;
};

ScanCapabilities DescribeScanner(const std::vector<ScanOption>& options);

// Sets the device's options to the choices, mode first (it decides what the
// others allow). Empty on success, else the first refusal, in Russian.
std::string ApplyScanChoices(ScannerSession& session, const ScanChoices& choices);

// The device's name of a mode, or none when it has none (line art may still
// be grey at one bit a sample).
std::optional<std::string> DeviceModeName(const std::vector<std::string>& modes, ScanColour colour);

// Russian names for the dialog.
const char* ScanColourName(ScanColour colour);
const char* ScanUnitSuffix(ScanUnit unit);
