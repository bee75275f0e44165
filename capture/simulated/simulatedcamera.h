#pragma once
// A camera without hardware: a frame-sized window that moves over a large
// picture (an image file or the synthetic specimen), along a path file or by
// the arrow keys, with optional noise and lamp flicker. Tests and
// demonstrations use it on machines without a camera.

#include <memory>

#include "capture/simulated/simulatedcameraspec.h"
#include "capture/video/videosource.h"
#include "imagefiles/imagefiles.h"

// Ids of the simulated camera's own controls, below the V4L2 id range; its
// picture controls and flips use the V4L2 ids (V4L2_CID_BRIGHTNESS, ...).
enum SimulatedControlId : uint32_t {
  kSimulatedNoise = 1,
  kSimulatedFlicker = 2,
};

class SimulatedCamera : public VideoSource {
 public:
  // path: top-left corners of successive frames on the picture; empty: the view starts centred.
  SimulatedCamera(std::shared_ptr<const Bitmap> picture, std::vector<Point> path,
                  const SimulatedCameraOptions& options);

  std::vector<FrameSize> FrameSizes() const override;
  std::vector<std::string> PixelFormats() const override;
  std::vector<std::string> Standards() const override { return {}; }
  std::vector<std::string> Inputs() const override;

  int PixelFormat() const override { return 0; }
  bool SetPixelFormat(int index) override;
  int Standard() const override { return -1; }
  bool SetStandard(int index) override;
  int Input() const override { return 0; }
  bool SetInput(int index) override;

  std::vector<VideoControl> Controls() override;
  bool SetControl(uint32_t id, int32_t value) override;

  bool Start(FrameSize size) override;
  void Stop() override { running_ = false; }
  bool Running() const override { return running_; }
  FrameSize StreamSize() const override { return size_; }

  // While running there is always a new frame: each call moves to the next
  // path position. The frame-ready notification is raised once, by Start.
  std::optional<Bitmap> TakeFrame() override;
  void SetFrameReady(std::function<void()> notify) override { notify_ = std::move(notify); }

  std::string Error() const override { return error_; }

  // Shifts the view by (dx, dy) pixels on top of the path; the shift is
  // limited so that the next frame stays inside the picture.
  bool MoveView(int dx, int dy) override;

  // Top-left corner on the picture of the last frame delivered, after
  // clamping into the picture: the true origin of that frame.
  Point Position() const { return position_; }
  // Frames delivered since Start.
  uint32_t FrameNumber() const { return frameNumber_; }
  // The last frame's view had to be moved to stay inside the picture.
  bool LastViewMoved() const { return lastViewMoved_; }
  const std::vector<Point>& Path() const { return path_; }
  FrameSize PictureSize() const { return {picture_->Width(), picture_->Height()}; }

 private:
  Point BasePosition() const;
  Point Clamped(Point point) const;
  void ApplyLight(Bitmap& frame) const;
  void ApplyPictureControls(Bitmap& frame) const;

  std::shared_ptr<const Bitmap> picture_;
  std::vector<Point> path_;
  SimulatedCameraOptions options_;
  std::vector<VideoControl> controls_;
  FrameSize size_;
  bool running_ = false;
  uint32_t frameNumber_ = 0;
  Point offset_;    // from MoveView, added to the path position
  Point position_;  // of the last frame delivered
  bool lastViewMoved_ = false;
  std::function<void()> notify_;
  std::string error_;
};

// Size of the default specimen: room for a 3 x 3 run of 640 x 480 fields
// with about a third of overlap, and for every frame size offered.
inline constexpr FrameSize kSimulatedSpecimenSize{2400, 1800};

// The one simulated device. The picture is loaded or rendered at the first
// Open (the default specimen takes about a second in an optimised build) and
// shared by every camera opened afterwards.
// Why the simulated camera could not be opened.
struct SimulatedCameraFailure {
  enum Kind { None, Picture, PictureTooSmall, Path } What = None;
  PixStatus Load;            // Picture: how loading it went
  CameraPathProblem InPath;  // Path
};

class SimulatedCameraProvider : public VideoProvider {
 public:
  explicit SimulatedCameraProvider(SimulatedCameraOptions options,
                                   FrameSize specimenSize = kSimulatedSpecimenSize);

  std::vector<std::string> DeviceNames() override;
  // The error in Russian, from OpenCamera's failure.
  std::unique_ptr<VideoSource> Open(int index, std::string& error) override;
  std::unique_ptr<SimulatedCamera> OpenCamera(SimulatedCameraFailure& failure);
  // The smallest frame: a smaller picture cannot be a camera's.
  static constexpr FrameSize kSmallestFrame{320, 240};

 private:
  bool LoadPicture(SimulatedCameraFailure& failure);

  SimulatedCameraOptions options_;
  FrameSize specimenSize_;
  std::shared_ptr<const Bitmap> picture_;
};
