#pragma once
// A video device as the capture page needs it, whatever drives it: a V4L2
// camera, the simulated camera or a test's fake. Everything here is called
// on one thread (the window's), except the frame-ready notification, which a
// device may raise from its own reader thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imagefiles/bitmap.h"

struct FrameSize {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

// One adjustable setting of a device (brightness, gain, flip, ...).
struct VideoControl {
  enum class Kind { Integer, Boolean, Menu };
  uint32_t Id = 0;
  std::string Name;  // shown as it is
  Kind Type = Kind::Integer;
  int32_t Minimum = 0;
  int32_t Maximum = 0;
  int32_t Step = 1;
  int32_t Default = 0;
  int32_t Value = 0;
  bool ReadOnly = false;  // shown but not changeable (e.g. while its automatic mode is on)
  std::vector<std::pair<int32_t, std::string>> MenuItems;  // Kind::Menu: value and text
};

class VideoSource {
 public:
  virtual ~VideoSource() = default;

  // What the device offers; fixed while it is open.
  virtual std::vector<FrameSize> FrameSizes() const = 0;
  virtual std::vector<std::string> PixelFormats() const = 0;
  // Analogue TV standards; empty when the device has none to choose.
  virtual std::vector<std::string> Standards() const = 0;
  // Video inputs; at least one.
  virtual std::vector<std::string> Inputs() const = 0;

  // Current choices as indices into the lists above; the setters return false
  // (and leave Error() set) when the device refuses.
  virtual int PixelFormat() const = 0;
  virtual bool SetPixelFormat(int index) = 0;
  virtual int Standard() const = 0;
  virtual bool SetStandard(int index) = 0;
  virtual int Input() const = 0;
  virtual bool SetInput(int index) = 0;

  // Current values of every control the device has.
  virtual std::vector<VideoControl> Controls() = 0;
  virtual bool SetControl(uint32_t id, int32_t value) = 0;

  // Streams frames of one of FrameSizes(); false, with Error() set, when
  // the device refuses. Stop() is harmless when not streaming.
  virtual bool Start(FrameSize size) = 0;
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
  // The size of the frames being delivered (the device may round the asked size).
  virtual FrameSize StreamSize() const = 0;

  // The newest frame not yet taken, 24-bit blue-green-red; none when no new
  // frame arrived since the last call. Frames in between are dropped, never queued.
  virtual std::optional<Bitmap> TakeFrame() = 0;
  // Raised, possibly from another thread, each time a new frame is ready.
  virtual void SetFrameReady(std::function<void()> notify) = 0;

  // Why the device failed or stopped, in Russian for the user; empty while all is well.
  virtual std::string Error() const = 0;

  // Moves the view of a simulated device by the arrow keys; real devices ignore it.
  virtual bool MoveView(int /*dx*/, int /*dy*/) { return false; }
};

// A family of devices (V4L2 cameras, the simulated camera).
class VideoProvider {
 public:
  virtual ~VideoProvider() = default;
  // Names in index order, as the device list shows them.
  virtual std::vector<std::string> DeviceNames() = 0;
  // Opens device index of DeviceNames(); none, with error set, when it cannot.
  virtual std::unique_ptr<VideoSource> Open(int index, std::string& error) = 0;
};
