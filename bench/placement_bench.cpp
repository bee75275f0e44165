// A whole stitch (search, placement, composition) placed along the chain and
// over all neighbours, on held-out fields cut at known places: the time of
// both with neighbours / chain in the same run, then the largest place error
// of each against the truth, per set and search method.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/registration/searchmethod.h"
#include "engine/stitchflow.h"
#include "imagefiles/imagefiles.h"
#include "ratioreporter.h"
#include "support/heldoutset.h"

namespace {

constexpr SetupData kDefaults{30, 15, 0, {}, 5, 1, 3};

struct Case {
  std::string Name;
  std::vector<Bitmap> Fields;
  std::vector<int> Directions;
  std::vector<TrueOrigin> Origins;  // in the first field's pixels
  bool Automatic = false;           // directions found, not given
};

Case FromPlacementSet(std::string name, PlacementSet set, bool automatic = false) {
  return {std::move(name), std::move(set.Fields), std::move(set.Directions), std::move(set.Origins),
          automatic};
}

Case FromHeldOut(HeldOutSet set) {
  std::string name = set.Name;
  return FromPlacementSet(std::move(name), AsPlacementSet(std::move(set)));
}

std::unique_ptr<Panoram> Load(const Case& c, SearchMethod method, PlacementMethod placement) {
  auto pan = std::make_unique<Panoram>();
  pan->ApplySettings(kDefaults);
  pan->SetSearchMethod(method);
  pan->SetPlacementMethod(placement);
  for (size_t i = 0; i < c.Fields.size(); ++i)
    pan->AddImage(c.Fields[i], i == 0 || c.Automatic ? kDirNone : c.Directions[i - 1], "field");
  return pan;
}

// As the window and the stitcher run it: search, the chosen placement, composition.
void Stitch(Panoram& pan, bool automatic = false, StitchTimes* times = nullptr) {
  if (automatic) {
    StitchAutomatically(pan, nullptr, times);
  } else {
    StitchAlongDirections(pan, nullptr, times);
  }
  PlaceAsChosen(pan, nullptr, times);
  AssembleMosaic(pan, false, times);
}

double LargestError(const Panoram& pan, const Case& c) {
  double worst = 0;
  for (int i = 0; i < pan.Count(); ++i) {
    const double dx = pan.Place(i).Left - pan.Place(0).Left - c.Origins[i].X;
    const double dy = pan.Place(i).Top - pan.Place(0).Top - c.Origins[i].Y;
    worst = std::max({worst, std::abs(dx), std::abs(dy)});
  }
  return worst;
}

// The engine's own names of its methods, as the stitcher's --method takes them.
const char* MethodName(SearchMethod m) { return SearchMethodKey(m).data(); }

void PrintErrors(const std::vector<Case>& cases) {
  std::printf(
      "\nlargest place error against the truth, px (one stitch each, wall time in ms; the\n"
      "neighbours' stitch also split into the search, the placement and the composition)\n");
  std::printf("%-26s %-15s %9s %9s %11s %11s %20s\n", "set", "method", "chain", "neighbours",
              "chain ms", "neigh. ms", "search/place/compose");
  for (const Case& c : cases) {
    for (const auto& [method, key] : kSearchMethods) {
      double error[2], ms[2];
      StitchTimes times;
      for (int k = 0; k < 2; ++k) {
        auto pan = Load(c, method, k == 0 ? PlacementMethod::Chain : PlacementMethod::Neighbours);
        const auto start = std::chrono::steady_clock::now();
        Stitch(*pan, c.Automatic, k == 1 ? &times : nullptr);
        ms[k] = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
        error[k] = LargestError(*pan, c);
      }
      std::printf("%-26s %-15s %9.2f %9.2f %11.1f %11.1f %8.1f/%5.1f/%5.1f\n", c.Name.c_str(),
                  MethodName(method), error[0], error[1], ms[0], ms[1], times.Search, times.Place,
                  times.Compose);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  PixInit();
  if (!HeldOutPhotosPresent()) {
    std::fprintf(stderr, "the photographs are missing from %s: run scripts/setup.sh\n",
                 HeldOutPhotoFolder().c_str());
    return 1;
  }
  auto cases = std::make_shared<std::vector<Case>>();
  if (auto s = MakeFlatLinkSet(12)) cases->push_back(FromPlacementSet("(a) flat link 5x5", *s));
  // Past the flat link the chain's guess hides the field's neighbour above;
  // with directions found, it leads the rest off the wrong way.
  if (auto s = MakeFlatLinkSet(16))
    cases->push_back(FromPlacementSet("(a) flat link, field 16", *s));
  if (auto s = MakeFlatLinkSet(7))
    cases->push_back(FromPlacementSet("(a) field 7, automatic", *s, true));
  if (auto s = MakeFractionalSet()) cases->push_back(FromPlacementSet("(b) fractional 5x5", *s));
  for (HeldOutKind kind : HeldOutKinds()) {
    if (auto s = MakeHeldOutSet(kind)) cases->push_back(FromHeldOut(std::move(*s)));
  }
  // Timed with each search method: the flat-link set and the 640 x 480 wood.
  std::vector<std::string> timed;
  for (const Case& c : *cases) {
    if (c.Name != "(a) flat link 5x5" && c.Name != "pale wood 5x5") continue;
    for (const auto& [method, key] : kSearchMethods) {
      const std::string stem = "stitch/" + c.Name + "/" + MethodName(method) + "/";
      for (PlacementMethod placement : {PlacementMethod::Chain, PlacementMethod::Neighbours}) {
        const Case* cp = &c;
        // On the machine's threads, and on one, whose CPU time is the work.
        for (const int threads : {0, 1}) {
          const std::string name = stem + std::string(PlacementMethodKey(placement)) +
                                   (threads == 1 ? "/one thread" : "");
          benchmark::RegisterBenchmark(name.c_str(),
                                       [cp, method, placement, threads](benchmark::State& st) {
                                         SetEngineThreads(threads);
                                         auto pan = Load(*cp, method, placement);
                                         for (auto _ : st) Stitch(*pan);
                                         SetEngineThreads(0);
                                       })
              ->Unit(benchmark::kMillisecond)
              ->UseRealTime()
              ->Repetitions(3);
        }
      }
      timed.push_back(stem);
    }
  }
  const RatioReporter& r = RunWithRatios(argc, argv);
  std::printf("\nthreads: %d\n", EngineThreads());
  std::printf(
      "whole stitch, neighbours / chain (at most 1.50 wanted); wall time on the machine's\n"
      "threads, and CPU time on one thread (the work, which other load leaves alone):\n");
  for (const std::string& stem : timed) {
    const double chain = r.Millis(stem + "chain");
    const double all = r.Millis(stem + "neighbours");
    const double chain1 = r.CpuMillis(stem + "chain/one thread");
    const double all1 = r.CpuMillis(stem + "neighbours/one thread");
    std::printf("  %-36s wall %8.2f / %8.2f ms = %5.2f   one thread %8.2f / %8.2f ms = %5.2f\n",
                stem.c_str(), all, chain, chain > 0 ? all / chain : -1.0, all1, chain1,
                chain1 > 0 ? all1 / chain1 : -1.0);
  }
  PrintErrors(*cases);
  return 0;
}
