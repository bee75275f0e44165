#include "capturejob.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "capture/run/autocapture.h"
#include "capture/run/capturerun.h"
#include "capture/run/projectnames.h"
#include "capture/simulated/simulatedcamera.h"
#include "capture/video/programdevices.h"
#include "formats/filecommit.h"
#include "livereport.h"
#include "stitchcli.h"

namespace {

// What is known of each frame taken, for the report.
struct TakenFrame {
  std::string File;
  int LiveFrame = 0;
  std::optional<Point> Origin;  // on the simulated camera's picture
};

// Live pictures one at a time; a real camera is waited for.
class LiveFrames {
 public:
  explicit LiveFrames(VideoSource& source) : source_(source) {
    source_.SetFrameReady([this] {
      const std::lock_guard lock(mutex_);
      ready_ = true;
      arrived_.notify_one();
    });
  }
  ~LiveFrames() { source_.SetFrameReady({}); }
  LiveFrames(const LiveFrames&) = delete;
  LiveFrames& operator=(const LiveFrames&) = delete;

  std::optional<Bitmap> Next() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kLiveFrameTimeoutMs);
    for (;;) {
      if (std::optional<Bitmap> frame = source_.TakeFrame()) return frame;
      if (!source_.Error().empty() || !source_.Running()) return std::nullopt;
      std::unique_lock lock(mutex_);
      if (!arrived_.wait_until(lock, deadline, [this] { return ready_; })) return std::nullopt;
      ready_ = false;
    }
  }

 private:
  VideoSource& source_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  bool ready_ = false;
};

// Which live pictures become frames: the listed ones with their sides, or
// those automatic capture calls for while it follows the picture.
class FrameTaking {
 public:
  FrameTaking(const CaptureOptions& options, CaptureRun& run, const Panoram& engine)
      : options_(options), run_(run), engine_(engine) {
    if (options_.Tracking) tracking_.Begin();
  }

  bool Done(int liveFrame) const {
    return options_.Tracking ? liveFrame >= options_.LiveFrames : next_ >= options_.FramesAt.size();
  }

  // The frame taken from live picture number liveFrame, if one was due.
  std::optional<FrameTaken> Step(int liveFrame, Bitmap& picture) {
    if (options_.Tracking) {
      const AutoStepResult step =
          tracking_.AutoFrameStep(run_, picture, engine_.Radius(), engine_.Step());
      lostPictures_ += step.TooLittleTexture || step.RadiusTooLarge ? 1 : 0;
      return step.Taken;
    }
    if (liveFrame != options_.FramesAt[next_]) {
      // Every picture counts for the camera's travel, taken or not.
      run_.ManualFrameStep(picture, OverlayOptions{});
      return std::nullopt;
    }
    if (next_ > 0) run_.FrameDirection = options_.Directions[next_ - 1];
    ++next_;
    run_.TakeFrame = true;
    std::optional<FrameTaken> taken = run_.ManualFrameStep(picture, OverlayOptions{});
    return taken ? taken : FrameTaken{FrameTaken::Empty};
  }

  void AddWarnings(std::vector<std::string>& warnings) const {
    if (lostPictures_ > 0) {
      warnings.push_back("no spot could be followed in " + std::to_string(lostPictures_) +
                         " live pictures: too little texture, or a radius too large");
    }
  }

 private:
  const CaptureOptions& options_;
  CaptureRun& run_;
  const Panoram& engine_;
  AutoCapture tracking_;
  size_t next_ = 0;
  int lostPictures_ = 0;
};

StitchResult Failed(std::string error, int exitCode = kExitFailed) {
  StitchResult result;
  result.ExitCode = exitCode;
  result.Error = std::move(error);
  return result;
}

// A run refused for what it was given (the path, the size): nothing is written.
StitchResult Refused(std::string error) { return Failed(std::move(error), kExitBadArguments); }

std::string TakeFailure(const FrameTaken& taken) {
  switch (taken.Kind) {
    case FrameTaken::Taken: return "";
    case FrameTaken::EngineFull: return "the engine holds no more frames";
    case FrameTaken::NoMemory: return "not enough memory for frame " + taken.Name;
    case FrameTaken::Empty: return "the camera delivered an empty frame";
  }
  return "frame not taken";
}

CaptureProject ProjectOf(const CaptureOptions& options) {
  CaptureProject project;
  project.Name = options.ProjectName;
  project.SaveFrames = !options.SaveFramesTo.empty();
  project.OverwriteFrames = options.OverwriteFrames;
  if (project.SaveFrames) {
    project.BaseDir = options.SaveFramesTo;
    if (project.BaseDir.back() != '/') project.BaseDir += '/';
  }
  project.Dir = project.BaseDir;
  return project;
}

void AddFrameDetails(nlohmann::json& report, const std::vector<TakenFrame>& frames) {
  nlohmann::json& images = report["images"];
  for (size_t i = 0; i < frames.size() && i < images.size(); ++i) {
    // Only a file this run wrote is named.
    if (!frames[i].File.empty()) images[i]["file"] = frames[i].File;
    images[i]["live_frame"] = frames[i].LiveFrame;
    if (frames[i].Origin) images[i]["origin"] = {frames[i].Origin->X, frames[i].Origin->Y};
  }
}

std::string At(Point p) { return "(" + std::to_string(p.X) + ", " + std::to_string(p.Y) + ")"; }
std::string SizeText(FrameSize s) {
  return std::to_string(s.Width) + "x" + std::to_string(s.Height);
}

std::string PathProblemText(const std::string& file, const CameraPathProblem& problem) {
  const std::string line = ", line " + std::to_string(problem.Line);
  switch (problem.What) {
    case CameraPathProblem::None: return "";
    case CameraPathProblem::Unreadable:
      return "cannot read the path " + file + ": " + problem.Detail;
    case CameraPathProblem::NotRegular: return "the path " + file + " is not a regular file";
    case CameraPathProblem::TooLarge:
      return "the path " + file + " is larger than " + std::to_string(kMaxCameraPathBytes >> 20) +
             " MiB";
    case CameraPathProblem::LineTooLong:
      return "the path " + file + line + ": longer than " +
             std::to_string(kMaxCameraPathLineBytes) + " bytes";
    case CameraPathProblem::Malformed: return "the path " + file + line + ": expected \"x y\"";
    case CameraPathProblem::Empty: return "the path " + file + " holds no position";
  }
  return "";
}

// The simulated camera, its failures in English; refused says a bad input.
std::unique_ptr<SimulatedCamera> OpenSimulated(const CaptureOptions& o, std::string& error,
                                               bool& refused) {
  SimulatedCameraOptions camera;
  camera.Picture = o.Simulate == kSpecimenName ? std::string() : o.Simulate;
  camera.PathFile = o.PathFile;
  camera.Noise = o.Noise;
  camera.Flicker = o.Flicker;
  SimulatedCameraProvider provider(camera);
  SimulatedCameraFailure failure;
  std::unique_ptr<SimulatedCamera> opened = provider.OpenCamera(failure);
  refused = failure.What == SimulatedCameraFailure::Path;
  switch (failure.What) {
    case SimulatedCameraFailure::None: break;
    case SimulatedCameraFailure::Picture:
      error = "cannot read the camera's picture " + o.Simulate + ": " + PixReason(failure.Load);
      break;
    case SimulatedCameraFailure::PictureTooSmall:
      error = "the camera's picture " + o.Simulate + " is smaller than the smallest frame, " +
              SizeText(SimulatedCameraProvider::kSmallestFrame);
      break;
    case SimulatedCameraFailure::Path: error = PathProblemText(o.PathFile, failure.InPath); break;
  }
  return opened;
}

// Frames the path cannot give: beyond its end, outside the picture, or two
// from one position. "" when the run can go on.
std::string CheckPathFrames(const SimulatedCamera& camera, const CaptureOptions& o) {
  const std::vector<Point>& path = camera.Path();
  if (path.empty()) return "";
  const int count = static_cast<int>(path.size());
  const std::string positions = "the path's " + std::to_string(count) +
                                " positions are live frames 0 to " + std::to_string(count - 1);
  std::vector<int> checked = o.FramesAt;
  if (o.Tracking) {
    if (o.LiveFrames > count)
      return "--live-frames " + std::to_string(o.LiveFrames) +
             " goes beyond the path: " + positions;
    for (int n = 0; n < o.LiveFrames; ++n) checked.push_back(n);
  } else if (o.FramesAt.back() >= count) {
    return "--frames-at: live frame " + std::to_string(o.FramesAt.back()) +
           " is beyond the path: " + positions;
  }
  const FrameSize picture = camera.PictureSize();
  const Point most{picture.Width - o.Size.Width, picture.Height - o.Size.Height};
  for (const int n : checked) {
    const Point p = path[static_cast<size_t>(n)];
    if (p.X < 0 || p.Y < 0 || p.X > most.X || p.Y > most.Y) {
      return "the path puts live frame " + std::to_string(n) + " at " + At(p) + ", outside the " +
             SizeText(picture) + " picture for a " + SizeText(o.Size) + " view (x 0 to " +
             std::to_string(most.X) + ", y 0 to " + std::to_string(most.Y) + ")";
    }
  }
  for (size_t i = 1; i < o.FramesAt.size(); ++i) {
    const Point a = path[static_cast<size_t>(o.FramesAt[i - 1])];
    const Point b = path[static_cast<size_t>(o.FramesAt[i])];
    if (a == b)
      return "live frames " + std::to_string(o.FramesAt[i - 1]) + " and " +
             std::to_string(o.FramesAt[i]) + " are both at " + At(a) +
             ": two frames from one position";
  }
  return "";
}

// What the simulated camera did to a frame that a user should hear: the view
// moved to stay inside the picture, or the same position as the frame before.
std::string OddFrame(const SimulatedCamera& camera, const std::vector<TakenFrame>& before,
                     int liveFrame) {
  const std::string frame =
      "frame " + std::to_string(before.size()) + " (live frame " + std::to_string(liveFrame) + ")";
  if (camera.LastViewMoved())
    return frame + ": the view was moved to " + At(camera.Position()) +
           " to stay inside the picture";
  if (!before.empty() && before.back().Origin == camera.Position())
    return frame + " comes from the same position " + At(camera.Position()) + " as the one before";
  return "";
}

std::unique_ptr<VideoSource> OpenSource(const CaptureOptions& o, std::string& error,
                                        bool& refused) {
  refused = false;
  if (o.Simulate.empty()) return OpenCaptureSource({o.Simulate, o.Device, {}, 0, 0}, error);
  std::unique_ptr<SimulatedCamera> camera = OpenSimulated(o, error, refused);
  if (!camera) return nullptr;
  const std::vector<FrameSize> sizes = camera->FrameSizes();
  if (std::find(sizes.begin(), sizes.end(), o.Size) == sizes.end()) {
    std::string offered;
    for (const FrameSize& size : sizes) offered += (offered.empty() ? "" : ", ") + SizeText(size);
    error = "--size " + SizeText(o.Size) + ": the simulated camera's " +
            SizeText(camera->PictureSize()) + " picture gives " + offered;
    refused = true;
    return nullptr;
  }
  error = CheckPathFrames(*camera, o);
  refused = !error.empty();
  if (refused) return nullptr;
  return camera;
}

StitchResult Capture(const CaptureOptions& options, ProgressIndicator* progress) {
  std::string error;
  bool refused = false;
  std::unique_ptr<VideoSource> source = OpenSource(options, error, refused);
  if (!source) return refused ? Refused(error) : Failed(error);
  if (!source->Start(options.Size)) return Failed("the camera does not start: " + source->Error());
  const auto* simulated = dynamic_cast<const SimulatedCamera*>(source.get());
  const bool onPath = simulated != nullptr && !simulated->Path().empty();

  auto engine = std::make_unique<Panoram>();
  engine->ApplySettings(options.Stitch.Settings);
  engine->SetSearchMethod(options.Stitch.Method);
  CaptureRun run(*engine);
  run.Project = ProjectOf(options);
  if (run.Project.SaveFrames && !MakeProjectDir(run.Project.Dir))
    return Failed("cannot make the folder " + run.Project.Dir);
  run.Begin(options.FirstFrame);

  std::vector<TakenFrame> frames;
  std::vector<std::string> oddFrames;
  std::vector<FrameRetaken> retaken;
  LiveFrames live(*source);
  FrameTaking taking(options, run, *engine);
  for (int n = 0; !taking.Done(n); ++n) {
    std::optional<Bitmap> picture = live.Next();
    if (!picture) {
      return Failed("the camera gave no live picture " + std::to_string(n) +
                    (source->Error().empty() ? "" : ": " + source->Error()));
    }
    if (std::binary_search(options.RetakeAt.begin(), options.RetakeAt.end(), n)) {
      FrameRetaken back;
      if (!run.RetakeLastFrame(&back)) {
        return Failed(back.MoveError.empty()
                          ? "no frame to take back at live picture " + std::to_string(n)
                          : "cannot move " + back.Name + " aside: " + back.MoveError);
      }
      frames.pop_back();
      retaken.push_back(back);
    }
    const std::optional<FrameTaken> taken = taking.Step(n, *picture);
    if (!taken) continue;
    if (!*taken) return Failed(TakeFailure(*taken));
    if (!taken->SaveError.empty())
      return Failed("cannot write frame " + taken->Name + ": " + taken->SaveError);
    TakenFrame frame{taken->Saved ? taken->Name : std::string(), n, std::nullopt};
    if (simulated) {
      // On a path these are mistakes in the path; without one, worth a word.
      if (std::string odd = OddFrame(*simulated, frames, n); !odd.empty()) {
        if (onPath) return Refused("the path " + options.PathFile + ": " + odd);
        oddFrames.push_back(std::move(odd));
      }
      frame.Origin = simulated->Position();
    }
    frames.push_back(frame);
  }
  source->Stop();

  MontageTable table;
  StitchTimes times;
  bool searchFailed = false;
  if (!run.End(table, progress, &searchFailed, &times)) {
    return Failed(searchFailed ? "not enough memory for the search"
                               : "a capture run needs at least two frames to stitch");
  }
  StitchJob job(options.Stitch, std::move(engine), table, times);
  job.Result().Warnings = std::move(oddFrames);
  job.PlaceAndWarn();
  taking.AddWarnings(job.Result().Warnings);
  job.ExtendReport([&](nlohmann::json& report) {
    AddFrameDetails(report, frames);
    AddLiveDetails(report, run.Live);
    AddRetaken(report, retaken);
  });
  if (job.Assemble()) job.Save();
  return std::move(job.Result());
}

}  // namespace

StitchResult RunCapture(const CaptureOptions& options, ProgressIndicator* progress) {
  ProtectInputs(options.Stitch);
  if (!options.Simulate.empty() && options.Simulate != kSpecimenName)
    ProtectFromReplacement(options.Simulate);
  if (!options.PathFile.empty()) ProtectFromReplacement(options.PathFile);
  try {
    return Capture(options, progress);
  } catch (const std::bad_alloc&) {
    return Failed("not enough memory");
  }
}
