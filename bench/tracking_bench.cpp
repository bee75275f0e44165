// One tracking step of automatic capture (the search window around the last
// place of the spot, then the correlation search in it) on a 640 x 480 live
// picture, against the literal correlation search over the same window.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "capture/run/autocapture.h"
#include "engine/registration/template/matching.h"
#include "ratioreporter.h"
#include "support/reference_search.h"
#include "support/testimages.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kShift = 12;  // the scene's motion between two live pictures

struct Case {
  const char* Name;
  int Radius;
  int Step;
};

// The dialog's defaults; the heaviest search the window allows (a square half
// as wide as the window); and the largest radius asked of the window, which
// leaves the square no room to move.
const Case kCases[] = {{"r15s3", 15, 3}, {"r25s1", 25, 1}, {"r50s1", 50, 1}};

struct Pictures {
  Bitmap Template;  // cut around the spot in the earlier picture
  Bitmap Live;
  Point Spot;
};

std::shared_ptr<Pictures> MakePictures(const Case& c) {
  const Bitmap scene = TexturedBitmap(kWidth + kShift, kHeight, 20261209u);
  const Bitmap before = CropBitmap(scene, 0, 0, kWidth, kHeight);
  auto p = std::make_shared<Pictures>();
  p->Live = CropBitmap(scene, kShift, 0, kWidth, kHeight);
  p->Spot = {kWidth / 2, kHeight / 2};
  p->Template = CopyRectBitmap(before, SquareAround(p->Spot.X, p->Spot.Y, c.Radius));
  return p;
}

void Register(const std::string& name, void (*body)(benchmark::State&, const Pictures&, int),
              std::shared_ptr<Pictures> pictures, int step) {
  benchmark::RegisterBenchmark(name.c_str(),
                               [=](benchmark::State& st) { body(st, *pictures, step); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(5);
}

void Literal(benchmark::State& st, const Pictures& p, int step) {
  for (auto _ : st) {
    Point found;
    const Rect window = ClipWindow(p.Spot, p.Live.Width(), p.Live.Height());
    benchmark::DoNotOptimize(ReferenceCorrelationSearch(p.Template, p.Live, window, step, found));
  }
}

void Fast(benchmark::State& st, const Pictures& p, int step) {
  for (auto _ : st) {
    Point found;
    const Rect window = ClipWindow(p.Spot, p.Live.Width(), p.Live.Height());
    benchmark::DoNotOptimize(CorrelationSearch(p.Template, p.Live, window, step, found));
  }
}

// Both find the same place, or the figures compare nothing.
bool Agree(const Pictures& p, int step) {
  const Rect window = ClipWindow(p.Spot, p.Live.Width(), p.Live.Height());
  Point literal, fast;
  const double a = ReferenceCorrelationSearch(p.Template, p.Live, window, step, literal);
  const double b = CorrelationSearch(p.Template, p.Live, window, step, fast);
  return a == b && literal == fast;
}

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) {
    const auto pictures = MakePictures(c);
    if (!Agree(*pictures, c.Step)) {
      std::fprintf(stderr, "%s: the fast search differs from the literal one\n", c.Name);
      return 1;
    }
    const std::string base = std::string("track/") + c.Name;
    Register(base + "/literal", Literal, pictures, c.Step);
    Register(base + "/fast", Fast, pictures, c.Step);
  }
  const RatioReporter& r = RunWithRatios(argc, argv);
  std::printf("\n");
  for (const Case& c : kCases) {
    const std::string stem = std::string("track/") + c.Name;
    r.PrintRatio(stem, stem + "/literal", stem + "/fast");
  }
  return 0;
}
