#include "capturejob.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

#include "capture/autocapture.h"
#include "capture/capturerun.h"
#include "capture/programdevices.h"
#include "capture/projectnames.h"
#include "capture/simulatedcamera.h"
#include "livereport.h"

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

StitchResult Failed(std::string error) {
  StitchResult result;
  result.ExitCode = kExitFailed;
  result.Error = std::move(error);
  return result;
}

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
    images[i]["file"] = frames[i].File;
    images[i]["live_frame"] = frames[i].LiveFrame;
    if (frames[i].Origin) images[i]["origin"] = {frames[i].Origin->X, frames[i].Origin->Y};
  }
}

StitchResult Capture(const CaptureOptions& options, ProgressIndicator* progress) {
  std::string error;
  std::unique_ptr<VideoSource> source = OpenCaptureSource(
      {options.Simulate, options.Device, options.PathFile, options.Noise, options.Flicker}, error);
  if (!source) return Failed(error);
  if (!source->Start(options.Size)) return Failed("the camera does not start: " + source->Error());
  const auto* simulated = dynamic_cast<const SimulatedCamera*>(source.get());

  auto engine = std::make_unique<Panoram>();
  engine->ApplySettings(options.Stitch.Settings);
  engine->SetSearchMethod(options.Stitch.Method);
  CaptureRun run(*engine);
  run.Project = ProjectOf(options);
  if (run.Project.SaveFrames && !MakeProjectDir(run.Project.Dir))
    return Failed("cannot make the folder " + run.Project.Dir);
  run.Begin(0);

  std::vector<TakenFrame> frames;
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
    TakenFrame frame{taken->Name, n, std::nullopt};
    if (simulated) frame.Origin = simulated->Position();
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
  job.WarnUnlinkedPairs();
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
  try {
    return Capture(options, progress);
  } catch (const std::bad_alloc&) {
    return Failed("not enough memory");
  }
}
