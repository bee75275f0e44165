// The live side of a capture run along walks cut from a photograph Debian
// ships, at 640 x 480 and 2592 x 1944: the time from the take of a frame to
// the live mosaic drawn with the frame's link (searched off this thread while
// live pictures keep coming, as on the capture page), against the engine's
// template search over the facing zone alone, the live link search alone
// (on one core, as the run has it, and on every core) and the same update
// without waiting for the link; then the live rate, live pictures taken
// through the run at the camera's rate and flat out, with and without a link
// searched on another thread meanwhile.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "capture/run/capturerun.h"
#include "capture/run/livemosaic.h"
#include "engine/parallel.h"
#include "imagefiles/imagefiles.h"
#include "ratioreporter.h"
#include "support/heldoutset.h"

namespace {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::duration<double, std::milli>;

constexpr int kNoise = 3;    // grey levels of sensor noise, as the walk tests' camera
constexpr int kFlicker = 5;  // percent of the lamp's flicker
constexpr int kSmoothResample = 5;
constexpr int kMosaicWidth = 320;  // the capture page's live mosaic
constexpr int kMosaicHeight = 240;
// Live pictures made before a take, for the wait on its link: making them
// then would take the processor from the search, which a camera does not.
constexpr size_t kAhead = 12;
constexpr size_t kRing = 16;  // live pictures the rate is measured on, played there and back
constexpr int kRepetitions = 3;
constexpr std::chrono::seconds kGiveUp{60};  // on a link that never comes

struct Leg {
  int Dx, Dy, Count;
};

struct Case {
  const char* Name;
  int Width, Height;
  const char* Photo;            // in the photographs' folder
  int PhotoWidth, PhotoHeight;  // the photograph resampled to this size; 0: as it is
  int Fps;                      // the camera's live rate
  int Every;                    // live pictures from one take to the next
  double TargetMs;              // from the take to the updated picture
  Point Start;
  std::vector<Leg> Legs;
  int FlatFrames;  // live pictures per flat-out measurement
};

// The snake of the walk tests at 640 x 480 over the garden; a snake over a
// photographed painting, as large as it comes, at 2592 x 1944: frames 1200
// pixels apart along the rows and 600 each way at the turns.
const Case kCases[] = {
    {.Name = "640x480",
     .Width = 640,
     .Height = 480,
     .Photo = "Garden.jpg",
     .PhotoWidth = 1920,
     .PhotoHeight = 1200,
     .Fps = 30,
     .Every = 40,
     .TargetMs = 50,
     .Start = {40, 60},
     .Legs = {{10, 0, 100}, {0, 10, 40}, {-10, 0, 100}},
     .FlatFrames = 300},
    {.Name = "2592x1944",
     .Width = 2592,
     .Height = 1944,
     .Photo = "../abstract/Elephants_5640x3172.jpg",
     .PhotoWidth = 0,
     .PhotoHeight = 0,
     .Fps = 15,
     .Every = 48,
     .TargetMs = 300,
     .Start = {40, 20},
     .Legs = {{25, 0, 120}, {0, 25, 48}, {-25, 0, 120}},
     .FlatFrames = 40},
};

std::vector<Point> PathOf(const Case& c) {
  std::vector<Point> path{c.Start};
  for (const Leg& leg : c.Legs) {
    for (int i = 0; i < leg.Count; ++i)
      path.push_back({path.back().X + leg.Dx, path.back().Y + leg.Dy});
  }
  return path;
}

// Live pictures cut from the photograph along the path, each with its own
// grey noise and the lamp's brightness of the moment.
class CutCamera {
 public:
  CutCamera(std::shared_ptr<const Bitmap> photo, std::vector<Point> path, int width, int height)
      : photo_(std::move(photo)), path_(std::move(path)), width_(width), height_(height) {
    std::mt19937 random(20261210u);
    std::normal_distribution<double> grain(0.0, kNoise);
    noise_.resize(kNoiseLength);
    for (int8_t& n : noise_)
      n = static_cast<int8_t>(std::clamp(std::lround(grain(random)), -127L, 127L));
  }

  size_t Count() const { return path_.size(); }
  Point At(size_t n) const { return path_[n]; }

  Bitmap Picture(size_t n) const {
    const Point at = path_[n];
    const double gain = 1.0 + kFlicker / 100.0 * std::sin(static_cast<double>(n) * 0.9);
    std::array<int, 256> lit{};
    for (int v = 0; v < 256; ++v) lit[static_cast<size_t>(v)] = static_cast<int>(v * gain);
    Bitmap b(width_, height_);
    // Each picture reads the noise from its own place in the table.
    size_t k = n * 7919 % kNoiseLength;
    for (int y = 0; y < height_; ++y) {
      const uint8_t* in = photo_->Pixel(at.X, at.Y + y);
      uint8_t* out = b.Row(y);
      for (int x = 0; x < width_; ++x, in += 3, out += 3) {
        const int add = noise_[k];
        k = k + 1 == kNoiseLength ? 0 : k + 1;
        for (int ch = 0; ch < 3; ++ch)
          out[ch] = static_cast<uint8_t>(std::clamp(lit[in[ch]] + add, 0, 255));
      }
    }
    return b;
  }

 private:
  static constexpr size_t kNoiseLength = (1u << 20) + 7;  // no picture's rows line up with it
  std::shared_ptr<const Bitmap> photo_;
  std::vector<Point> path_;
  int width_, height_;
  std::vector<int8_t> noise_;
};

// One capture run as the capture page drives it, without the window.
struct Walk {
  Panoram Engine;
  CaptureRun Run{Engine};
  Bitmap Live;  // the page's live picture: every delivered picture is copied into it
  Bitmap Mosaic{kMosaicWidth, kMosaicHeight, 64};
  std::mutex Lock;
  std::condition_variable Told;
  bool LinkArrived = false;

  Walk() {
    Engine.ApplySettings(DefaultSetupData());
    // The page is told on the search's thread and collects on its own.
    Run.Live.SetLinkReady([this] {
      {
        const std::lock_guard<std::mutex> lock(Lock);
        LinkArrived = true;
      }
      Told.notify_one();
    });
    Run.Begin(0);
  }
  // A search still running would tell members already gone.
  ~Walk() { Run.Live.WaitAll(); }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  // The page's live mosaic: the live view outlined where the travel puts it.
  void DrawMosaic() {
    const std::vector<LiveFrame>& frames = Run.Live.Frames();
    const std::vector<Point> places = Run.Live.Places();
    std::optional<Rect> view;
    if (const std::optional<Point> travel = Run.Live.Travel(); travel && !frames.empty()) {
      const Point at{places.back().X + travel->X, places.back().Y + travel->Y};
      view = Rect{at.X, at.Y, at.X + frames.back().Width, at.Y + frames.back().Height};
    }
    const LiveConfidence newest =
        frames.empty() ? LiveConfidence::None : ConfidenceOf(frames.back(), frames.size() == 1);
    DrawLiveMosaic(Mosaic, LiveTiles(Run.Live, Engine), newest, view);
    benchmark::DoNotOptimize(Mosaic.Data());
  }

  // One live picture of a manual run, as the page takes it; true when a frame was taken.
  bool Step(const Bitmap& delivered) {
    Live = delivered;
    const std::optional<FrameTaken> taken = Run.ManualFrameStep(Live, OverlayOptions{});
    if (taken && *taken) DrawMosaic();  // the new frame shows at once, its link pending
    if (Run.FramesThisRun() > 0) DrawMosaic();
    return taken && *taken;
  }

  // The next live picture takes a frame, on the side the camera went.
  void AskForFrame() {
    if (const std::optional<Point> travel = Run.Live.Travel(); travel && Run.FramesThisRun() > 0)
      Run.FrameDirection = DirectionOfTravel(*travel, Live.Width(), Live.Height());
    Run.TakeFrame = true;
    const std::lock_guard<std::mutex> lock(Lock);
    LinkArrived = false;
  }

  // Waits for the link until the deadline; true when it arrived.
  bool WaitForLink(Clock::time_point until) {
    std::unique_lock<std::mutex> lock(Lock);
    const bool arrived = Told.wait_until(lock, until, [this] { return LinkArrived; });
    LinkArrived = false;
    return arrived;
  }
};

// What the walk and its frames are, made once per case.
struct Scene {
  std::unique_ptr<CutCamera> Camera;
  std::vector<Bitmap> Ring;  // live pictures along the start of the walk
  // The pairs the walk takes, each in an engine of its own for the facing-zone search.
  std::vector<std::unique_ptr<Panoram>> Pairs;
  std::vector<Offset> Truth;  // each pair's second frame's origin in the first's pixels
  std::vector<std::optional<Point>> Travel;  // as measured when the second frame was taken
  int LiveExact = 0, FacingExact = 0;
};

std::map<std::string, std::vector<double>> gSamples;  // ms per take, every repetition

struct TakeTimes {
  double Pending = 0;  // ms from the take to the mosaic showing the new frame
  double Linked = 0;   // ms from the take to the mosaic showing its link
};

// One take and the wait for its link, as the page's event loop has it: the
// live pictures go on at the camera's rate meanwhile, and the mosaic is
// drawn again as soon as the link is told.
TakeTimes TakeAndWait(Walk& w, const CutCamera& camera, size_t& n, double periodMs) {
  std::deque<Bitmap> ahead;
  for (size_t k = n; k < camera.Count() && ahead.size() < kAhead; ++k)
    ahead.push_back(camera.Picture(k));
  w.AskForFrame();
  TakeTimes t;
  const Clock::time_point start = Clock::now();
  w.Step(ahead.front());
  ahead.pop_front();
  ++n;
  t.Pending = Millis(Clock::now() - start).count();
  const auto period = std::chrono::duration_cast<Clock::duration>(Millis(periodMs));
  Clock::time_point due = start + period;
  for (;;) {
    if (w.WaitForLink(ahead.empty() ? start + kGiveUp : due)) {
      if (w.Run.Live.Collect()) {
        w.DrawMosaic();
        t.Linked = Millis(Clock::now() - start).count();
        break;
      }
      std::fprintf(stderr, "a link was told before it could be collected\n");
      std::exit(1);
    }
    if (ahead.empty()) {
      std::fprintf(stderr, "no link within %lld s\n", static_cast<long long>(kGiveUp.count()));
      std::exit(1);
    }
    w.Step(ahead.front());
    ahead.pop_front();
    ++n;
    due += period;
  }
  while (!ahead.empty()) {
    w.Step(ahead.front());
    ahead.pop_front();
    ++n;
  }
  return t;
}

// Live pictures until the next take is due.
void WalkOn(Walk& w, const CutCamera& camera, size_t& n, int every) {
  while (n < camera.Count() && n % static_cast<size_t>(every) != 0) w.Step(camera.Picture(n++));
}

size_t TakesAfterFirst(const Case& c) {
  return (PathOf(c).size() - 1) / static_cast<size_t>(c.Every);
}

void StartWalk(Walk& w, const CutCamera& camera, size_t& n) {
  w.AskForFrame();
  w.Step(camera.Picture(0));
  n = 1;
}

// The walk once, untimed: its pairs for the facing-zone search and whether
// each live link found the true offset.
void Prepare(const Case& c, Scene& s) {
  Walk w;
  size_t n = 0;
  StartWalk(w, *s.Camera, n);
  std::vector<Point> at{s.Camera->At(0)};
  for (size_t k = 0; k < TakesAfterFirst(c); ++k) {
    WalkOn(w, *s.Camera, n, c.Every);
    at.push_back(s.Camera->At(n));
    TakeAndWait(w, *s.Camera, n, 1000.0 / c.Fps);
  }
  w.Run.Live.WaitAll();
  const std::vector<LiveFrame>& frames = w.Run.Live.Frames();
  for (int i = 1; i < w.Engine.Count(); ++i) {
    auto pair = std::make_unique<Panoram>();
    pair->ApplySettings(DefaultSetupData());
    pair->AddImage(w.Engine.ImageBitmap(i - 1), kDirNone, "earlier");
    pair->AddImage(w.Engine.ImageBitmap(i), w.Engine.Direction(i), "next");
    pair->SearchLinks(nullptr);
    const Offset truth{at[i].X - at[i - 1].X, at[i].Y - at[i - 1].Y};
    s.FacingExact += OffsetOfLink(pair->GetLinkOut(0), pair->GetLinkIn(1)) == truth;
    s.LiveExact += frames[static_cast<size_t>(i)].Link.At == truth;
    s.Truth.push_back(truth);
    s.Travel.push_back(frames[static_cast<size_t>(i)].Travel);
    s.Pairs.push_back(std::move(pair));
  }
}

std::string PhotoFile(const Case& c) { return HeldOutPhotoFolder() + "/" + c.Photo; }

std::shared_ptr<Scene> MakeScene(const Case& c) {
  Bitmap photo;
  if (!PixLoadImage(PhotoFile(c), photo)) {
    std::fprintf(stderr, "%s: unreadable\n", PhotoFile(c).c_str());
    std::exit(1);
  }
  if (c.PhotoWidth > 0) photo = MakeThumbnail(photo, c.PhotoWidth, c.PhotoHeight, kSmoothResample);
  auto s = std::make_shared<Scene>();
  const auto picture = std::make_shared<const Bitmap>(std::move(photo));
  s->Camera = std::make_unique<CutCamera>(picture, PathOf(c), c.Width, c.Height);
  for (size_t k = 0; k < kRing; ++k) s->Ring.push_back(s->Camera->Picture(k));
  Prepare(c, *s);
  return s;
}

// From the take to the updated picture, per take of the walk; with
// waitForLink false, to the picture showing the frame with its link pending.
void TakeBench(benchmark::State& st, const Case& c, const Scene& s, bool waitForLink,
               const std::string& name) {
  Walk w;
  size_t n = 0;
  StartWalk(w, *s.Camera, n);
  for (auto _ : st) {
    WalkOn(w, *s.Camera, n, c.Every);
    const TakeTimes t = TakeAndWait(w, *s.Camera, n, 1000.0 / c.Fps);
    const double ms = waitForLink ? t.Linked : t.Pending;
    st.SetIterationTime(ms / 1000.0);
    gSamples[name].push_back(ms);
  }
}

// The page's search over the facing zone alone, pair after pair of the walk.
void FacingBench(benchmark::State& st, const Scene& s) {
  size_t k = 0;
  for (auto _ : st) {
    s.Pairs[k]->SearchLinks(nullptr);
    k = (k + 1) % s.Pairs.size();
  }
}

// The live link search alone, pair after pair of the walk, around the travel
// measured when each frame was taken: on this thread alone, as a run
// searches, or spread over every core.
void SearchBench(benchmark::State& st, const Scene& s, bool threaded) {
  std::optional<EngineWorkOnThisThread> alone;
  if (!threaded) alone.emplace();
  size_t k = 0;
  for (auto _ : st) {
    const Panoram& pair = *s.Pairs[k];
    benchmark::DoNotOptimize(SearchLiveLink(pair.ImageBitmap(0), pair.ImageBitmap(1), s.Travel[k],
                                            pair.Direction(1), LiveLinkSettingsOf(pair)));
    k = (k + 1) % s.Pairs.size();
  }
}

// A link searched over and over on another thread, as while frames are taken.
class LinkingMeanwhile {
 public:
  explicit LinkingMeanwhile(const Scene& s)
      : thread_([&s, this] {
          const EngineWorkOnThisThread alone;  // as the run's searches are
          const Bitmap& earlier = s.Pairs[0]->ImageBitmap(0);
          const Bitmap& next = s.Pairs[0]->ImageBitmap(1);
          const LiveLinkSettings settings = LiveLinkSettingsOf(*s.Pairs[0]);
          while (!stop_) {
            benchmark::DoNotOptimize(
                SearchLiveLink(earlier, next, s.Travel[0], s.Pairs[0]->Direction(1), settings));
            ++links_;
          }
        }) {}
  ~LinkingMeanwhile() {
    stop_ = true;
    thread_.join();
  }
  LinkingMeanwhile(const LinkingMeanwhile&) = delete;
  LinkingMeanwhile& operator=(const LinkingMeanwhile&) = delete;
  int Links() const { return links_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> links_{0};
  std::thread thread_;
};

std::map<std::string, double> gLinksPerSecond;

// Live pictures through the run after its first frame: at the camera's rate
// (period > 0), or each as soon as the last is done.
void LiveBench(benchmark::State& st, const Scene& s, double periodMs, bool linking,
               const std::string& name) {
  Walk w;
  w.AskForFrame();
  w.Step(s.Ring[0]);
  std::unique_ptr<LinkingMeanwhile> meanwhile;
  if (linking) meanwhile = std::make_unique<LinkingMeanwhile>(s);
  const auto period = std::chrono::duration_cast<Clock::duration>(Millis(periodMs));
  const Clock::time_point start = Clock::now();
  size_t i = 0;
  for (auto _ : st) {
    ++i;
    if (periodMs > 0) std::this_thread::sleep_until(start + period * static_cast<int64_t>(i));
    // There and back along the ring: the follower sees the camera move on.
    const size_t k = i % (2 * kRing - 2);
    w.Step(s.Ring[k < kRing ? k : 2 * kRing - 2 - k]);
  }
  if (meanwhile) {
    const double seconds = Millis(Clock::now() - start).count() / 1000.0;
    gLinksPerSecond[name] = meanwhile->Links() / seconds;
  }
}

// A case's scene is made when its first benchmark runs: a filter leaves the others alone.
class LazyScene {
 public:
  explicit LazyScene(const Case& c) : case_(c) {}
  const Scene& Get() {
    if (!scene_) scene_ = MakeScene(case_);
    return *scene_;
  }
  bool Made() const { return scene_ != nullptr; }

 private:
  const Case& case_;
  std::shared_ptr<Scene> scene_;
};

void RegisterCase(const Case& c, const std::shared_ptr<LazyScene>& s) {
  const std::string base = c.Name;
  const auto takes = static_cast<int64_t>(TakesAfterFirst(c));
  for (const bool link : {true, false}) {
    const std::string name = "take/" + base + (link ? "/linked" : "/pending");
    benchmark::RegisterBenchmark(
        name.c_str(),
        [c, s, link, name](benchmark::State& st) { TakeBench(st, c, s->Get(), link, name); })
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(takes)
        ->Repetitions(kRepetitions);
  }
  benchmark::RegisterBenchmark(("facing/" + base).c_str(),
                               [s](benchmark::State& st) { FacingBench(st, s->Get()); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(takes * 2)
      ->Repetitions(kRepetitions);
  for (const bool threaded : {false, true}) {
    benchmark::RegisterBenchmark(
        ("search/" + base + (threaded ? "/threaded" : "/alone")).c_str(),
        [s, threaded](benchmark::State& st) { SearchBench(st, s->Get(), threaded); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(takes * 2)
        ->Repetitions(kRepetitions);
  }
  const double period = 1000.0 / c.Fps;
  for (const bool paced : {true, false}) {
    for (const bool linking : {false, true}) {
      const std::string name =
          std::string(paced ? "live/" : "flat/") + base + (linking ? "/linking" : "/alone");
      benchmark::RegisterBenchmark(name.c_str(),
                                   [s, paced, period, linking, name](benchmark::State& st) {
                                     LiveBench(st, s->Get(), paced ? period : 0, linking, name);
                                   })
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime()
          ->Iterations(paced ? 3 * c.Fps : c.FlatFrames)
          ->Repetitions(kRepetitions);
    }
  }
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t m = v.size() / 2;
  return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

double Worst(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

void PrintCase(const Case& c, const Scene& s, const RatioReporter& r) {
  const std::string base = c.Name;
  const std::vector<double>& linked = gSamples["take/" + base + "/linked"];
  const std::vector<double>& pending = gSamples["take/" + base + "/pending"];
  std::printf("%-44s median %8.1f ms  worst %8.1f ms  over %zu takes, target %.0f ms: %s\n",
              ("take to linked picture " + base).c_str(), Median(linked), Worst(linked),
              linked.size(), c.TargetMs, Worst(linked) <= c.TargetMs ? "met" : "MISSED");
  std::printf("%-44s median %8.1f ms  worst %8.1f ms\n",
              ("take to picture, link pending " + base).c_str(), Median(pending), Worst(pending));
  const auto measured = std::count_if(s.Travel.begin(), s.Travel.end(),
                                      [](const std::optional<Point>& t) { return t.has_value(); });
  std::printf("%-44s live %zu / %zu exact (travel measured for %td), facing zone alone %d / %zu\n",
              ("links at the true offset " + base).c_str(), static_cast<size_t>(s.LiveExact),
              s.Truth.size(), measured, s.FacingExact, s.Truth.size());
  r.PrintRatio("facing-zone search / take to linked " + base, "facing/" + base,
               "take/" + base + "/linked");
  r.PrintRatio("take to linked / live link search alone " + base, "take/" + base + "/linked",
               "search/" + base + "/alone");
  r.PrintRatio("live link search: every core / one " + base, "search/" + base + "/threaded",
               "search/" + base + "/alone");
  r.PrintRatio("take to linked / link pending " + base, "take/" + base + "/linked",
               "take/" + base + "/pending");
  for (const char* kind : {"live/", "flat/"}) {
    const std::string stem = kind + base;
    const double alone = r.Millis(stem + "/alone");
    const double linking = r.Millis(stem + "/linking");
    if (alone <= 0 || linking <= 0) continue;
    std::printf("%-44s alone %7.1f fps  linking %7.1f fps (%.1f links/s)  ratio %5.2f\n",
                (std::string(kind[0] == 'l' ? "live rate at camera's " : "live rate flat out ") +
                 (kind[0] == 'l' ? std::to_string(c.Fps) + " fps " : "") + base)
                    .c_str(),
                1000.0 / alone, 1000.0 / linking, gLinksPerSecond[stem + "/linking"],
                alone / linking);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::shared_ptr<LazyScene>> scenes;
  for (const Case& c : kCases) {
    if (!std::filesystem::exists(PhotoFile(c))) {
      std::fprintf(stderr, "%s: run scripts/setup.sh bench\n", PhotoFile(c).c_str());
      return 1;
    }
    scenes.push_back(std::make_shared<LazyScene>(c));
    RegisterCase(c, scenes.back());
  }
  const RatioReporter& r = RunWithRatios(argc, argv);
  std::printf("\n");
  for (size_t i = 0; i < scenes.size(); ++i) {
    if (scenes[i]->Made()) PrintCase(kCases[i], scenes[i]->Get(), r);
  }
  return 0;
}
