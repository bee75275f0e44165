// Overlap search: the engine's feature and correlation searches and the link
// driver against the plain literal versions, on camera-sized image pairs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/registration/template/matching.h"
#include "ratioreporter.h"
#include "support/reference_search.h"
#include "support/testimages.h"

namespace {

struct Case {
  const char* Name;
  int Width;
  int Height;
  int Radius;
  int Step;
  int Zone;
};

const Case kCases[] = {
    {"640x480_r15_s3", 640, 480, 15, 3, 30},
    {"2592x1944_r15_s3", 2592, 1944, 15, 3, 30},
    {"2592x1944_r50_s1", 2592, 1944, 50, 1, 30},
};

// Two overlapping views of one textured scene, the second to the right of the first.
struct Scene {
  Bitmap Left;
  Bitmap Right;
  Rect SourceZone;
  Rect SearchedZone;
  Bitmap Template;
};

std::shared_ptr<Scene> MakeScene(const Case& c) {
  auto s = std::make_shared<Scene>();
  const int dx = c.Width * 7 / 10;
  const int dy = 8;
  const Bitmap wide = TexturedBitmap(c.Width + dx, c.Height + dy, 20240601u);
  s->Left = CropBitmap(wide, 0, 0, c.Width, c.Height);
  s->Right = CropBitmap(wide, dx, dy, c.Width, c.Height);
  s->SourceZone = ZoneRect(s->Left, 6, c.Zone, c.Zone, true);
  s->SearchedZone = ZoneRect(s->Right, 4, c.Zone, c.Zone, false);
  const Point p = FindFeaturePoint(s->Left, s->SourceZone, c.Radius);
  s->Template = CopyRectBitmap(s->Left, SquareAround(p.X, p.Y, c.Radius));
  return s;
}

// The plain driver for one pair: feature, template, correlation.
void LiteralPair(const Scene& s, const Case& c, Point& p, Point& q) {
  p = ReferenceFindFeaturePoint(s.Left, s.SourceZone, c.Radius);
  const Bitmap templ = CopyRectBitmap(s.Left, SquareAround(p.X, p.Y, c.Radius));
  ReferenceCorrelationSearch(templ, s.Right, s.SearchedZone, c.Step, q);
}

void Register(const std::string& name, bool slow, std::function<void(benchmark::State&)> body) {
  auto* b = benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& st) { body(st); });
  b->Unit(benchmark::kMillisecond)->UseRealTime();
  if (slow) {
    b->Iterations(1);
  } else {
    b->Repetitions(5)->ReportAggregatesOnly(false);
  }
}

void RegisterCase(const Case& c) {
  const std::string base = c.Name;
  const bool big = c.Width > 1000;
  const bool huge = c.Step == 1 && c.Radius >= 50;
  auto scene = std::make_shared<std::shared_ptr<Scene>>();
  auto get = [scene, c]() -> const Scene& {
    if (!*scene) *scene = MakeScene(c);
    return **scene;
  };

  Register("correlation/" + base + "/literal", huge, [get, c](benchmark::State& st) {
    const Scene& s = get();
    for (auto _ : st) {
      Point q{};
      benchmark::DoNotOptimize(
          ReferenceCorrelationSearch(s.Template, s.Right, s.SearchedZone, c.Step, q));
    }
  });
  for (int threads : {0, 1}) {
    Register("correlation/" + base + (threads ? "/fast_1thread" : "/fast"), false,
             [get, c, threads](benchmark::State& st) {
               const Scene& s = get();
               SetEngineThreads(threads);
               for (auto _ : st) {
                 Point q{};
                 benchmark::DoNotOptimize(
                     CorrelationSearch(s.Template, s.Right, s.SearchedZone, c.Step, q));
               }
               SetEngineThreads(0);
             });
  }
  Register("feature/" + base + "/literal", big, [get, c](benchmark::State& st) {
    const Scene& s = get();
    for (auto _ : st)
      benchmark::DoNotOptimize(ReferenceFindFeaturePoint(s.Left, s.SourceZone, c.Radius));
  });
  Register("feature/" + base + "/fast", false, [get, c](benchmark::State& st) {
    const Scene& s = get();
    for (auto _ : st) benchmark::DoNotOptimize(FindFeaturePoint(s.Left, s.SourceZone, c.Radius));
  });
  if (c.Step == 3 && big) return;  // the driver is measured on the small and the huge pair
  Register("searchlinks/" + base + "/literal", big, [get, c](benchmark::State& st) {
    const Scene& s = get();
    for (auto _ : st) {
      Point p, q;
      LiteralPair(s, c, p, q);
      benchmark::DoNotOptimize(q);
    }
  });
  Register("searchlinks/" + base + "/fast", false, [get, c](benchmark::State& st) {
    const Scene& s = get();
    Panoram pan;
    pan.ApplySettings({c.Zone, c.Radius, 0, {}, 5, 1, c.Step});
    pan.AddImage(s.Left, kDirNone, "left");
    pan.AddImage(s.Right, kDirRight, "right");
    for (auto _ : st) pan.SearchLinks(nullptr);
  });
}

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) RegisterCase(c);
  const RatioReporter& r = RunWithRatios(argc, argv);
  std::printf("\nthreads: %d\n", EngineThreads());
  for (const Case& c : kCases) {
    const std::string base = c.Name;
    for (const char* what : {"correlation", "feature", "searchlinks"}) {
      const std::string stem = std::string(what) + "/" + base;
      r.PrintRatio(stem, stem + "/literal", stem + "/fast");
      if (std::string(what) == "correlation") {
        r.PrintRatio(stem + " (1 thread)", stem + "/literal", stem + "/fast_1thread");
      }
    }
  }
  return 0;
}
