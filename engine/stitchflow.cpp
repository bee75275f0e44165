#include "stitchflow.h"

#include <algorithm>
#include <chrono>

#include "registration/registration.h"

namespace {

using Clock = std::chrono::steady_clock;

// Adds the time from its start to its end to one stage of times, if given.
class StageTimer {
 public:
  explicit StageTimer(double* stage) : stage_(stage), start_(Clock::now()) {}
  ~StageTimer() {
    if (stage_ != nullptr) {
      *stage_ += std::chrono::duration<double, std::milli>(Clock::now() - start_).count();
    }
  }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  double* stage_;
  Clock::time_point start_;
};

double* Stage(StitchTimes* times, double StitchTimes::*stage) {
  return times != nullptr ? &(times->*stage) : nullptr;
}

template <typename Search>
bool SearchThenPlace(Panoram& engine, StitchTimes* times, const Search& search) {
  {
    const StageTimer timer(Stage(times, &StitchTimes::Search));
    if (!search()) return false;
  }
  const StageTimer timer(Stage(times, &StitchTimes::Place));
  engine.PlaceChain();
  return true;
}

}  // namespace

bool StitchAlongDirections(Panoram& engine, ProgressIndicator* progress, StitchTimes* times) {
  engine.ResetPlaces();
  return SearchThenPlace(engine, times, [&] { return engine.SearchLinks(progress); });
}

bool StitchAutomatically(Panoram& engine, ProgressIndicator* progress, StitchTimes* times) {
  engine.ResetPlaces();
  return SearchThenPlace(engine, times, [&] { return engine.AutoSearchLinks(progress); });
}

CanvasResult AssembleMosaic(Panoram& engine, bool smoothing, StitchTimes* times) {
  CanvasResult canvas;
  {
    const StageTimer timer(Stage(times, &StitchTimes::Place));
    canvas = engine.BuildCanvas();
  }
  if (!canvas) return canvas;
  const StageTimer timer(Stage(times, &StitchTimes::Compose));
  if (!engine.Compose(smoothing)) return {CanvasResult::OutOfMemory};
  return canvas;
}

std::optional<Rect> ShownPart(const Panoram& engine, const MontageTable& table, bool crop) {
  if (!crop) return std::nullopt;
  return engine.CommonRect(table);
}

bool ShowMosaic(const Panoram& engine, const MontageTable& table, bool crop, Picture& picture) {
  const std::optional<Rect> part = ShownPart(engine, table, crop);
  return part ? engine.ShowResultPart(picture, *part) : engine.ShowResult(picture);
}

Bitmap TakeMosaic(Panoram& engine, const MontageTable& table, bool crop) {
  const std::optional<Rect> part = ShownPart(engine, table, crop);
  return engine.TakeResult(part ? &*part : nullptr);
}

namespace {

int64_t Area(const Rect& r) { return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height(); }

Rect Common(const Rect& a, const Rect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

// A link of a pair off the chain, searched around the chain's prediction
// wide enough to correct a link the zone's depth off.
ImageLink LinkAround(const Panoram& engine, const RegistrationMethod registration, int a, int b) {
  const Rect& pa = engine.Place(a);
  const Rect& pb = engine.Place(b);
  const Offset around{pb.Left - pa.Left, pb.Top - pa.Top};
  const Bitmap& source = engine.ImageBitmap(a);
  const int reach = static_cast<int>(int64_t{std::max(source.Width(), source.Height())} *
                                     std::clamp(engine.ZoneHeightPct(), 0, 100) / 100);
  PairQuery q{
      source,          engine.ImageBitmap(b), {},     engine.ZoneHeightPct(), engine.ZoneWidthPct(),
      engine.Radius(), engine.Step(),         nullptr};
  q.Around = &around;
  q.Reach = reach;
  const PairMatch m = registration(q).Match;
  if (!m.Found()) return {a, b, around.X, around.Y, 0};
  const Offset o = OffsetOfLink(m.Out, m.In);
  return {a, b, o.X, o.Y, m.Score};
}

}  // namespace

AllNeighbourPlaces PlaceAllNeighbours(Panoram& engine, StitchTimes* times) {
  const StageTimer timer(Stage(times, &StitchTimes::Place));
  AllNeighbourPlaces out;
  out.Links = engine.ChainLinks();
  const RegistrationMethod registration = RegistrationFor(engine.Method());
  for (int a = 0; a < engine.Count(); ++a) {
    for (int b = a + 2; b < engine.Count(); ++b) {
      const int64_t field = std::min(Area(engine.Place(a)), Area(engine.Place(b)));
      if (Area(Common(engine.Place(a), engine.Place(b))) * 10 < field || field == 0) continue;
      out.Links.push_back(LinkAround(engine, registration, a, b));
    }
  }
  out.Result = PlaceOverNeighbours(engine.Places(), out.Links);
  engine.SetPlaces(out.Result.Places);
  return out;
}
