#include "capture/run/livecapture.h"

#include <atomic>
#include <chrono>

#include "engine/parallel.h"

namespace {

// An earlier frame the new one may overlap, where the live places put it.
struct Candidate {
  int Index = 0;
  std::shared_ptr<const Bitmap> Picture;
  Point Predicted;  // the new frame's origin in that frame's pixels
};

// Overlaps smaller than this share of a frame are not worth a neighbour link.
constexpr int kMinNeighbourOverlapPct = 10;

// Runs on a worker thread: touches only what it is given.
LiveFrame SearchFrame(LiveFrame frame, const std::shared_ptr<const Bitmap>& before,
                      const std::vector<Candidate>& neighbours) {
  // One core is enough for a link, and the live pictures need one meanwhile.
  const EngineWorkOnThisThread alone;
  frame.Link =
      SearchLiveLink(*before, *frame.Picture, frame.Travel, frame.Direction, frame.SearchedWith);
  for (const Candidate& c : neighbours) {
    const LiveLink link =
        SearchLiveLink(*c.Picture, *frame.Picture, c.Predicted, kDirNone, frame.SearchedWith);
    if (link.Found()) frame.Neighbours.push_back({c.Index, link});
  }
  frame.Pending = false;
  return frame;
}

}  // namespace

LiveCapture::~LiveCapture() { WaitAll(); }

void LiveCapture::LinkNeighbours(NeighbourPlacement placement) {
  neighbours_ = std::move(placement);
}

void LiveCapture::Begin() {
  WaitAll();
  frames_.clear();
  jobs_.clear();
  pictures_.clear();
  follower_.Reset();
}

void LiveCapture::Follow(const Bitmap& live, int radius, int step) {
  follower_.Follow(live, radius, step);
}

void LiveCapture::FrameTaken(std::shared_ptr<const Bitmap> picture, int32_t direction,
                             const LiveLinkSettings& settings) {
  LiveFrame frame;
  frame.Picture = std::move(picture);
  frame.Width = frame.Picture->Width();
  frame.Height = frame.Picture->Height();
  frame.Direction = direction;
  frame.SearchedWith = settings;
  if (!frames_.empty()) frame.Travel = follower_.Travel();
  follower_.FrameTaken();
  if (frames_.empty()) {
    frames_.push_back(std::move(frame));
    jobs_.emplace_back();
    return;
  }
  std::vector<Candidate> neighbours;
  if (neighbours_) {
    const std::vector<Point> places = Places();
    const Point last = places.back();
    const Point here =
        frame.Travel ? Point{last.X + frame.Travel->X, last.Y + frame.Travel->Y} : last;
    const int w = frame.Picture->Width(), h = frame.Picture->Height();
    for (size_t j = 0; j + 1 < frames_.size(); ++j) {
      const Point predicted{here.X - places[j].X, here.Y - places[j].Y};
      if (frame.Travel && OverlapPercent(predicted, w, h) >= kMinNeighbourOverlapPct)
        neighbours.push_back({static_cast<int>(j), frames_[j].Picture, predicted});
    }
  }
  frame.Pending = true;
  std::shared_ptr<const Bitmap> before = frames_.back().Picture;
  frames_.push_back(frame);
  DropUnneeded(frames_.size() - 2);
  auto found = std::make_shared<Found>();
  std::future<void> done =
      std::async(std::launch::async, [frame, before, neighbours, found, ready = ready_]() mutable {
        LiveFrame searched = SearchFrame(std::move(frame), before, neighbours);
        // The job outlives the search: it holds no picture from here on.
        before.reset();
        neighbours.clear();
        {
          const std::lock_guard<std::mutex> lock(found->Lock);
          found->Frame = std::move(searched);
        }
        if (ready) ready();
      });
  jobs_.emplace_back(Job{std::move(found), std::move(done), false});
}

void LiveCapture::FrameTakenBack(std::shared_ptr<const Bitmap> last) {
  if (frames_.empty()) return;
  // A search still running is finished first: it reports when done.
  if (jobs_.back()) jobs_.back()->Done.wait();
  const std::optional<Point> back = frames_.size() > 1 ? frames_.back().Travel : std::nullopt;
  frames_.pop_back();
  jobs_.pop_back();
  if (!frames_.empty()) frames_.back().Picture = std::move(last);
  if (frames_.empty()) {
    follower_.FrameTaken();  // the next frame is the first again
  } else {
    follower_.FrameTakenBack(back);
  }
}

bool LiveCapture::Collect() {
  bool any = false;
  for (size_t i = 0; i < jobs_.size(); ++i) {
    std::optional<Job>& job = jobs_[i];
    if (job && job->Collected &&
        job->Done.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      job.reset();
    if (!job || job->Collected) continue;
    std::optional<LiveFrame> frame;
    {
      const std::lock_guard<std::mutex> lock(job->Result->Lock);
      frame.swap(job->Result->Frame);
    }
    if (!frame) {
      // A search that ended without its frame failed: its failure is raised here, once.
      if (job->Done.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        std::future<void> failed = std::move(job->Done);
        job.reset();
        failed.get();
      }
      continue;
    }
    frames_[i] = std::move(*frame);
    // The future stays: its thread may still be in ready, and dropping the
    // future would wait for it to leave.
    job->Collected = true;
    DropUnneeded(i);
    any = true;
  }
  return any;
}

void LiveCapture::WaitAll() {
  for (std::optional<Job>& job : jobs_) {
    if (job) job->Done.wait();
  }
  Collect();
}

void LiveCapture::DropUnneeded(size_t index) {
  if (!neighbours_ && index + 1 < frames_.size()) frames_[index].Picture.reset();
}

std::shared_ptr<const Bitmap> LiveCapture::PictureFor(const Bitmap& frame) {
  // ThreadSanitizer does not model fences (GCC refuses them there): under
  // it every picture is a new one.
#if !defined(__SANITIZE_THREAD__)
  for (std::shared_ptr<Bitmap>& picture : pictures_) {
    if (picture.use_count() != 1) continue;
    // The last other owner let go on its own thread: its reads come first.
    std::atomic_thread_fence(std::memory_order_acquire);
    *picture = frame;
    return picture;
  }
#endif
  auto picture = std::make_shared<Bitmap>(frame);
  if (pictures_.size() < kPooledPictures) pictures_.push_back(picture);
  return picture;
}

std::vector<Point> LiveCapture::Places() const {
  std::vector<Point> places;
  for (const LiveFrame& f : frames_) {
    if (places.empty()) {
      places.push_back({0, 0});
      continue;
    }
    const Point last = places.back();
    Offset step{f.Width, 0};
    if (f.Link.Found()) {
      step = f.Link.At;
    } else if (f.Travel) {
      step = {f.Travel->X, f.Travel->Y};
    }
    places.push_back({last.X + step.X, last.Y + step.Y});
  }
  return places;
}

bool LiveCapture::PlaceInto(Panoram& engine) {
  WaitAll();
  if (static_cast<size_t>(engine.Count()) != frames_.size()) return false;
  const LiveLinkSettings now = LiveLinkSettingsOf(engine);
  for (size_t i = 1; i < frames_.size(); ++i) {
    LiveFrame& f = frames_[i];
    const Bitmap& before = engine.ImageBitmap(static_cast<int>(i) - 1);
    const Bitmap& picture = engine.ImageBitmap(static_cast<int>(i));
    if (!(f.SearchedWith == now)) {
      f.SearchedWith = now;
      f.Neighbours.clear();
      f.Link = SearchLiveLink(before, picture, f.Travel, f.Direction, now);
    }
    const PairMatch m = LinkPoints(before, picture, f.Link);
    const int link = static_cast<int>(i) - 1;
    engine.SetLinkOut(link, m.Out.X, m.Out.Y);
    engine.SetLinkIn(link + 1, m.In.X, m.In.Y);
  }
  engine.ScoreAllLinks();
  engine.ResetPlaces();
  if (!neighbours_ || !neighbours_(engine, frames_)) engine.PlaceChain();
  return true;
}
