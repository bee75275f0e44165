// Assembly of a 5 x 5 set of camera fields: the canvas, the composition
// without and with each seam method, and the feature search of one field,
// each against its plain literal version (tests/support/reference_*).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/registration/template/matching.h"
#include "ratioreporter.h"
#include "support/reference_assembly.h"
#include "support/reference_search.h"

namespace {

constexpr int kColumns = 5, kRows = 5;
constexpr int kFieldW = 2592, kFieldH = 1944;
constexpr int kStepX = kFieldW * 72 / 100, kStepY = kFieldH * 72 / 100;  // 28 % overlap
constexpr int kRadius = 50, kZone = 30;

uint32_t Hash(uint32_t x, uint32_t y, uint32_t salt) {
  uint32_t h = x * 374761393u + y * 668265263u + salt * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

// Value noise on a 16-pixel lattice plus grain: textured everywhere, cheap to make.
int Texture(int x, int y) {
  const int cx = x >> 4, cy = y >> 4, fx = x & 15, fy = y & 15;
  auto at = [](int u, int v) { return static_cast<int>(Hash(u, v, 1) & 255); };
  const int top = at(cx, cy) * (16 - fx) + at(cx + 1, cy) * fx;
  const int bottom = at(cx, cy + 1) * (16 - fx) + at(cx + 1, cy + 1) * fx;
  return (top * (16 - fy) + bottom * fy) / 256 + static_cast<int>(Hash(x, y, 2) % 41) - 20;
}

// One field of the specimen at (ox, oy), with its own sensor noise.
Bitmap Field(int ox, int oy, uint32_t index) {
  Bitmap b(kFieldW, kFieldH);
  for (int y = 0; y < kFieldH; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < kFieldW; ++x) {
      const int base = Texture(ox + x, oy + y) + static_cast<int>(Hash(x, y, 10 + index) % 7) - 3;
      for (int ch = 0; ch < 3; ++ch) {
        row[3 * x + ch] = static_cast<uint8_t>(std::clamp(base + (ch - 1) * 15, 0, 255));
      }
    }
  }
  return b;
}

// The 5 x 5 set in snake order, placed by exact links at uneven offsets.
std::unique_ptr<Panoram> MakeMosaic() {
  auto p = std::make_unique<Panoram>();
  std::vector<Point> origins;
  for (int row = 0; row < kRows; ++row) {
    for (int k = 0; k < kColumns; ++k) {
      const int column = (row % 2 == 0) ? k : kColumns - 1 - k;
      const int jitterX = static_cast<int>(Hash(column, row, 3) % 13) - 6;
      const int jitterY = static_cast<int>(Hash(column, row, 4) % 13) - 6;
      origins.push_back({100 + column * kStepX + jitterX, 100 + row * kStepY + jitterY});
    }
  }
  for (size_t i = 0; i < origins.size(); ++i) {
    p->AddImage(Field(origins[i].X, origins[i].Y, static_cast<uint32_t>(i)), kDirNone, "field");
    if (i == 0) continue;
    const int idx = static_cast<int>(i);
    p->SetLinkIn(idx, 100, 100);
    p->SetLinkOut(idx - 1, 100 + origins[i].X - origins[i - 1].X,
                  100 + origins[i].Y - origins[i - 1].Y);
  }
  p->PlaceChain();
  p->BuildCanvas();
  return p;
}

Panoram& Mosaic() {
  static std::unique_ptr<Panoram> mosaic = MakeMosaic();
  return *mosaic;
}

// The canvas made the plain way: allocate, then every pixel set white one by one.
Bitmap LiteralCanvas(const Panoram& p) {
  Bitmap canvas(p.Bounds().Right, p.Bounds().Bottom);
  for (int y = 0; y < canvas.Height(); ++y)
    for (int x = 0; x < canvas.Width(); ++x)
      for (int ch = 0; ch < 3; ++ch) canvas.Pixel(x, y)[ch] = 255;
  return canvas;
}

void Register(const std::string& name, bool slow, std::function<void(benchmark::State&)> body) {
  auto* b = benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& st) { body(st); });
  b->Unit(benchmark::kMillisecond)->UseRealTime();
  if (slow) {
    b->Iterations(1);
  } else {
    b->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(false);
  }
}

// BlendMode for a compose case; -1 is the composition without smoothing.
const int kComposeModes[] = {-1, 0, 1, 2, 3, 4};

std::string ComposeName(int mode) {
  static const char* names[] = {"front", "diffusion", "average", "brightness", "sharpness"};
  return std::string("compose/") + (mode < 0 ? "plain" : names[mode]);
}

void Configure(Panoram& p, int mode) {
  p.ApplySettings({kZone, kRadius, 0, {}, 5, std::max(mode, 0), 1});
}

void RegisterAll() {
  Register("buildcanvas/literal", true, [](benchmark::State& st) {
    Panoram& p = Mosaic();
    for (auto _ : st) benchmark::DoNotOptimize(LiteralCanvas(p));
  });
  Register("buildcanvas/fast", false, [](benchmark::State& st) {
    Panoram& p = Mosaic();
    for (auto _ : st) p.BuildCanvas();
  });
  for (int mode : kComposeModes) {
    const std::string name = ComposeName(mode);
    Register(name + "/literal", true, [mode](benchmark::State& st) {
      Panoram& p = Mosaic();
      Configure(p, mode);
      for (auto _ : st) benchmark::DoNotOptimize(ReferenceCompose(p, mode >= 0));
    });
    for (int threads : {0, 1}) {
      Register(name + (threads ? "/fast_1thread" : "/fast"), false,
               [mode, threads](benchmark::State& st) {
                 Panoram& p = Mosaic();
                 Configure(p, mode);
                 SetEngineThreads(threads);
                 for (auto _ : st) {
                   st.PauseTiming();
                   p.BuildCanvas();  // a fresh canvas each time, as a rebuild starts with one
                   st.ResumeTiming();
                   p.Compose(mode >= 0);
                 }
                 SetEngineThreads(0);
               });
    }
  }
  auto zone = [] { return ZoneRect(Mosaic().ImageBitmap(0), 6, kZone, kZone, true); };
  Register("feature/literal", true, [zone](benchmark::State& st) {
    const Rect z = zone();
    for (auto _ : st)
      benchmark::DoNotOptimize(ReferenceFindFeaturePoint(Mosaic().ImageBitmap(0), z, kRadius));
  });
  Register("feature/fast", false, [zone](benchmark::State& st) {
    const Rect z = zone();
    for (auto _ : st)
      benchmark::DoNotOptimize(FindFeaturePoint(Mosaic().ImageBitmap(0), z, kRadius));
  });
}

// Where the assembly of an automatic stitch spends its time: four feature
// searches per pair, one canvas, one composition.
void PrintShares(const RatioReporter& r, int mode) {
  const int pairs = kColumns * kRows - 1;
  const double feature = 4 * pairs * r.Millis("feature/fast");
  const double canvas = r.Millis("buildcanvas/fast");
  const double compose = r.Millis(ComposeName(mode) + "/fast");
  const double total = feature + canvas + compose;
  if (feature < 0 || canvas < 0 || compose < 0 || total <= 0) return;
  std::printf(
      "%-24s feature x%d %8.1f ms (%4.1f%%)  canvas %7.1f ms (%4.1f%%)  compose %8.1f ms "
      "(%4.1f%%)\n",
      ComposeName(mode).c_str(), 4 * pairs, feature, 100 * feature / total, canvas,
      100 * canvas / total, compose, 100 * compose / total);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  const RatioReporter& r = RunWithRatios(argc, argv);
  std::printf("\nthreads: %d; %d x %d fields of %d x %d\n", EngineThreads(), kColumns, kRows,
              kFieldW, kFieldH);
  r.PrintRatio("buildcanvas", "buildcanvas/literal", "buildcanvas/fast");
  for (int mode : kComposeModes) {
    const std::string name = ComposeName(mode);
    r.PrintRatio(name, name + "/literal", name + "/fast");
    r.PrintRatio(name + " (1 thread)", name + "/literal", name + "/fast_1thread");
  }
  r.PrintRatio("feature r50 zone 30", "feature/literal", "feature/fast");
  // The correlation search, the bulk of a search, is measured by search_bench.
  std::printf(
      "\nshares of the feature searches, the canvas and the composition of an automatic stitch:\n");
  for (int mode : kComposeModes) PrintShares(r, mode);
  return 0;
}
