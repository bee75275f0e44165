#pragma once
// Scanners behind a small interface: the SANE binding is the real one, tests
// may put a fake in its place. A back end stands for a scanner library loaded
// for one command; its sessions must be gone before it is.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imagefiles/bitmap.h"

struct ScannerDevice {
  std::string Name;  // what Open takes
  std::string Vendor;
  std::string Model;
  std::string Type;
};

enum class ScanValueType { Bool, Int, Fixed, String, Button, Group };
enum class ScanUnit { None, Pixel, Bit, Mm, Dpi, Percent, Microsecond };

struct ScanRange {
  double Min = 0;
  double Max = 0;
  double Quant = 0;  // 0: any value between
};

// One option as the device describes it, with its current value. Numbers of
// fixed-point options are already real numbers here.
struct ScanOption {
  std::string Name;
  std::string Title;
  ScanValueType Type = ScanValueType::Int;
  ScanUnit Unit = ScanUnit::None;
  bool Active = true;
  bool Settable = true;
  int Count = 1;  // values in the option; only single values are set by us
  std::optional<ScanRange> Range;
  std::vector<double> Numbers;       // a list constraint of numbers
  std::vector<std::string> Strings;  // a list constraint of texts
  double Number = 0;
  std::string Text;
};

struct ScanOutcome {
  enum class Kind { Done, Cancelled, Failed };
  Kind Result = Kind::Failed;
  Bitmap Image;       // 24 bits per pixel when Done
  std::string Error;  // in Russian, when Failed
};

// Called from the scanning thread with 0..100.
using ScanProgress = std::function<void(int percent)>;

class ScannerSession {
 public:
  virtual ~ScannerSession() = default;
  virtual std::vector<ScanOption> Options() = 0;
  // Empty on success, else why not, in Russian. The value may be rounded by
  // the device; read the options again to see it.
  virtual std::string SetNumber(const std::string& name, double value) = 0;
  virtual std::string SetText(const std::string& name, const std::string& value) = 0;
  // One picture. cancel is read between blocks of data; progress may be null.
  virtual ScanOutcome Scan(const ScanProgress& progress, const std::atomic<bool>& cancel) = 0;
};

class ScannerBackend {
 public:
  virtual ~ScannerBackend() = default;
  // The scanners the library finds (may take seconds on real machines).
  virtual std::vector<ScannerDevice> Devices() = 0;
  // Null with error set (in Russian) when the device cannot be opened.
  virtual std::unique_ptr<ScannerSession> Open(const std::string& name, std::string& error) = 0;
};

// Loads a scanner library for the length of one command; null with error set
// (in Russian) when it cannot be loaded or lacks a function.
using ScannerLoader = std::function<std::unique_ptr<ScannerBackend>(const std::string& libraryPath,
                                                                    std::string& error)>;

// The SANE library at libraryPath ("libsane.so.1" is looked up as the system does).
std::unique_ptr<ScannerBackend> LoadSaneBackend(const std::string& libraryPath, std::string& error);

// The option of that name, or null.
const ScanOption* FindScanOption(const std::vector<ScanOption>& options, const std::string& name);

// What a scanner's status code (as SANE numbers them) means, in Russian.
std::string ScanStatusText(int status);
