#include "stitchflow.h"

#include <chrono>

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
