// The three search methods on the held-out photographs: pairs exact, near and
// off per kind, the time per pair at 640 x 480 and 2592 x 1944 against the
// template search, phase correlation on one pair's facing zones against the
// computer-vision library's on the same zones (bench/cv_phase.py), and what
// the links' confidence adds to a whole stitch.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/panoram.h"
#include "engine/parallel.h"
#include "engine/registration/linkconfidence.h"
#include "engine/registration/linkscore.h"
#include "engine/registration/phase/phasecorrelation.h"
#include "engine/registration/searchmethod.h"
#include "engine/registration/subpixel.h"
#include "engine/registration/zones.h"
#include "engine/stitchflow.h"
#include "imagefiles/imagefiles.h"
#include "ratioreporter.h"
#include "support/heldoutset.h"

namespace {

constexpr SetupData kDefaults{30, 15, 0, {}, 5, 1, 3};
constexpr int kZonePct = 30;  // both zone percentages of kDefaults

// The engine's own names of its methods, as the stitcher's --method takes them.
const char* MethodName(SearchMethod m) { return SearchMethodKey(m).data(); }

std::unique_ptr<Panoram> Load(const HeldOutSet& set, SearchMethod method, size_t first,
                              size_t count) {
  auto pan = std::make_unique<Panoram>();
  pan->ApplySettings(kDefaults);
  pan->SetSearchMethod(method);
  for (size_t i = first; i < first + count && i < set.Fields.size(); ++i) {
    pan->AddImage(set.Fields[i], i == first ? kDirNone : set.Directions[i - 1], "field");
  }
  return pan;
}

// Pairs exact / within 2 px / further off / unset, per kind and method.
void PrintOutcomes(const std::vector<HeldOutSet>& sets) {
  std::printf("\n%-22s %-15s %6s %6s %6s %6s %6s %9s %9s\n", "kind", "method", "pairs", "exact",
              "<=2px", ">2px", "unset", "min score", "ms/pair");
  for (const HeldOutSet& set : sets) {
    for (const auto& [method, key] : kSearchMethods) {
      auto pan = Load(set, method, 0, set.Fields.size());
      if (std::getenv("QUILTOR_BENCH_LINKS") != nullptr)
        std::fprintf(stderr, "== %s %s\n", set.Name.c_str(), MethodName(method));
      const auto start = std::chrono::steady_clock::now();
      pan->SearchLinks(nullptr);
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count();
      std::map<LinkOutcome, int> n;
      double minScore = 1;
      for (size_t i = 0; i < set.Truth.size(); ++i) {
        const int link = static_cast<int>(i);
        const Offset found = OffsetOfLink(pan->GetLinkOut(link), pan->GetLinkIn(link + 1));
        ++n[CompareWithTruth(pan->LinkDefined(link), found, set.Truth[i])];
        if (std::getenv("QUILTOR_BENCH_LINKS") != nullptr) {
          std::printf(
              "  link %zu: out %d,%d in %d,%d found %d,%d truth %d,%d score %.3f truth score "
              "%.3f\n",
              i, pan->GetLinkOut(link).X, pan->GetLinkOut(link).Y, pan->GetLinkIn(link + 1).X,
              pan->GetLinkIn(link + 1).Y, found.X, found.Y, set.Truth[i].X, set.Truth[i].Y,
              pan->LinkScore(link), OverlapScore(set.Fields[i], set.Fields[i + 1], set.Truth[i]));
        }
        minScore = std::min(minScore, pan->LinkScore(link));
      }
      std::printf("%-22s %-15s %6zu %6d %6d %6d %6d %9.3f %9.2f\n", set.Name.c_str(),
                  MethodName(method), set.Truth.size(), n[LinkOutcome::Exact], n[LinkOutcome::Near],
                  n[LinkOutcome::Off], n[LinkOutcome::Unset], minScore,
                  ms / static_cast<double>(set.Truth.size()));
    }
  }
}

// The facing zones of a set's first pair at the default settings, written
// for the peer as NAME_a.png and NAME_b.png; the shift the zones share.
Offset WriteZones(const HeldOutSet& set, const std::string& folder, const std::string& name) {
  const int d = set.Directions[0];
  const Rect a = ZoneRect(set.Fields[0], SourceZoneCode(d), kZonePct, kZonePct, false);
  const Rect b = ZoneRect(set.Fields[1], SearchedZoneCode(d), kZonePct, kZonePct, false);
  PixSaveImage(folder + "/" + name + "_a.png", CopyRectBitmap(set.Fields[0], a));
  PixSaveImage(folder + "/" + name + "_b.png", CopyRectBitmap(set.Fields[1], b));
  return {set.Truth[0].X - a.Left + b.Left, set.Truth[0].Y - a.Top + b.Top};
}

// The least time of runs calls of f, in milliseconds: timed as the peer
// times itself, so the two figures compare.
template <typename F>
double LeastMillis(int runs, const F& f) {
  double least = 1e300;
  for (int k = 0; k < runs; ++k) {
    const auto start = std::chrono::steady_clock::now();
    f();
    least = std::min(
        least, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                   .count());
  }
  return least;
}

// The peer's milliseconds and shift per zone pair, by running its script.
struct PeerRun {
  double Millis = -1;
  double Dx = 0, Dy = 0;
};
std::map<std::string, PeerRun> RunPeer(const std::string& folder) {
  std::map<std::string, PeerRun> runs;
  const std::string command =
      std::string("/usr/bin/python3 ") + QUILTOR_BENCH_SOURCE_DIR + "/cv_phase.py " + folder;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return runs;
  char name[64];
  PeerRun r;
  while (std::fscanf(pipe, "%63s %lf %lf %lf", name, &r.Millis, &r.Dx, &r.Dy) == 4) runs[name] = r;
  pclose(pipe);
  return runs;
}

void Register(const std::string& name, std::function<void(benchmark::State&)> body) {
  benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& st) { body(st); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Repetitions(3)
      ->ReportAggregatesOnly(false);
}

}  // namespace

int main(int argc, char** argv) {
  PixInit();
  if (!HeldOutPhotosPresent()) {
    std::fprintf(stderr, "the photographs are missing from %s: run scripts/setup.sh\n",
                 HeldOutPhotoFolder().c_str());
    return 1;
  }
  auto sets = std::make_shared<std::vector<HeldOutSet>>();
  for (HeldOutKind kind : HeldOutKinds()) {
    if (auto set = MakeHeldOutSet(kind)) sets->push_back(std::move(*set));
  }
  if (const char* dump = std::getenv("QUILTOR_BENCH_DUMP")) {
    for (const HeldOutSet& s : *sets) {
      for (size_t i = 0; i < 3; ++i)
        PixSaveImage(std::string(dump) + "/" + std::to_string(static_cast<int>(s.Kind)) + "_" +
                         std::to_string(i) + ".png",
                     s.Fields[i]);
    }
  }
  const HeldOutSet* wood = nullptr;
  const HeldOutSet* big = nullptr;
  for (const HeldOutSet& s : *sets) {
    if (s.Kind == HeldOutKind::PaleWood) wood = &s;
    if (s.Kind == HeldOutKind::BigBlurred) big = &s;
  }
  // One pair along its known direction, per method and size.
  for (const auto& [label, set] : {std::pair{"640x480", wood}, std::pair{"2592x1944", big}}) {
    for (const auto& [method, key] : kSearchMethods) {
      const HeldOutSet* s = set;
      Register(std::string("pair/") + label + "/" + MethodName(method),
               [s, method](benchmark::State& st) {
                 auto pan = Load(*s, method, 0, 2);
                 for (auto _ : st) pan->SearchLinks(nullptr);
               });
    }
  }
  // Phase correlation alone on the first pair's facing zones, its confidence
  // included, and the confidence of a link alone.
  for (const auto& [label, set] : {std::pair{"640x480", wood}, std::pair{"2592x1944", big}}) {
    const HeldOutSet* s = set;
    Register(std::string("zones/") + label + "/phase", [s](benchmark::State& st) {
      for (auto _ : st)
        benchmark::DoNotOptimize(
            PhaseMatchPair(s->Fields[0], s->Fields[1], s->Directions[0], kZonePct, kZonePct));
    });
    Register(std::string("confidence/") + label, [s](benchmark::State& st) {
      for (auto _ : st)
        benchmark::DoNotOptimize(LinkConfidence(s->Fields[0], s->Fields[1], s->Truth[0]));
    });
    Register(std::string("confidence/") + label + "/whole patch", [s](benchmark::State& st) {
      for (auto _ : st)
        benchmark::DoNotOptimize(WholePatchConfidence(s->Fields[0], s->Fields[1], s->Truth[0]));
    });
    Register(std::string("between pixels/") + label, [s](benchmark::State& st) {
      for (auto _ : st)
        benchmark::DoNotOptimize(SubpixelShiftAt(s->Fields[0], s->Fields[1], s->Truth[0]));
    });
  }
  // The whole 5 x 5 stitch of 640 x 480 fields and the 2 x 2 one of 5 MP
  // fields, and the scoring of their links alone, with the default method and
  // with phase correlation; on the machine's threads, and on one, whose CPU
  // time is the work.
  std::vector<std::string> stitches;
  for (const auto& [label, set] : {std::pair{"wood5x5", wood}, std::pair{"5MP2x2", big}}) {
    for (SearchMethod method : {SearchMethod::Template, SearchMethod::Phase}) {
      for (const int threads : {0, 1}) {
        const HeldOutSet* s = set;
        const std::string stem = std::string("stitch/") + label + "/" + MethodName(method) +
                                 (threads == 1 ? "/one thread" : "");
        Register(stem + "/whole", [s, method, threads](benchmark::State& st) {
          SetEngineThreads(threads);
          auto pan = Load(*s, method, 0, s->Fields.size());
          for (auto _ : st) {
            StitchAlongDirections(*pan, nullptr);
            AssembleMosaic(*pan, false);
          }
          SetEngineThreads(0);
        });
        Register(stem + "/scores", [s, method, threads](benchmark::State& st) {
          SetEngineThreads(threads);
          auto pan = Load(*s, method, 0, s->Fields.size());
          pan->SearchLinks(nullptr);
          for (auto _ : st) pan->ScoreAllLinks();
          SetEngineThreads(0);
        });
        stitches.push_back(stem);
      }
    }
  }

  const RatioReporter& r = RunWithRatios(argc, argv);
  // The peer runs after our benchmarks, on the same zones, in the same run.
  const std::string zones =
      (std::filesystem::temp_directory_path() / ("quiltor-zones-" + std::to_string(getpid())))
          .string();
  std::filesystem::create_directories(zones);
  const Offset woodShift = WriteZones(*wood, zones, "640x480");
  const Offset bigShift = WriteZones(*big, zones, "2592x1944");
  const std::map<std::string, PeerRun> peer = RunPeer(zones);
  std::filesystem::remove_all(zones);
  std::printf("\nthreads: %d\n", EngineThreads());
  std::printf("time of each method per pair against the template search (template / method):\n");
  for (const char* label : {"640x480", "2592x1944"}) {
    for (SearchMethod method : {SearchMethod::Phase, SearchMethod::TemplatePhase}) {
      const std::string stem = std::string("pair/") + label + "/";
      r.PrintRatio(stem + MethodName(method), stem + "template", stem + MethodName(method));
    }
  }
  std::printf("the confidence against reading the whole evidence at once (whole / first look):\n");
  for (const char* label : {"640x480", "2592x1944"}) {
    const std::string stem = std::string("confidence/") + label;
    r.PrintRatio(stem, stem + "/whole patch", stem);
  }
  std::printf(
      "phase correlation on the same facing zones, least of 30 runs each (library / ours):\n");
  for (const auto& [label, shift] :
       {std::pair{"640x480", woodShift}, std::pair{"2592x1944", bigShift}}) {
    const auto it = peer.find(label);
    const HeldOutSet* s = std::string(label) == "640x480" ? wood : big;
    const double ours = LeastMillis(30, [s] {
      benchmark::DoNotOptimize(
          PhaseMatchPair(s->Fields[0], s->Fields[1], s->Directions[0], kZonePct, kZonePct));
    });
    if (it == peer.end() || ours <= 0) {
      std::printf("%-44s (peer not run: bash scripts/setup.sh bench)\n", label);
      continue;
    }
    std::printf(
        "%-44s library %8.3f ms  ours %8.3f ms  ratio %6.2fx  library's shift %.1f,%.1f "
        "(true %d,%d)\n",
        (std::string("zones/") + label).c_str(), it->second.Millis, ours, it->second.Millis / ours,
        it->second.Dx, it->second.Dy, shift.X, shift.Y);
  }
  std::printf(
      "share of the link scores in a whole stitch (scores / whole; at most 10 %% wanted), wall\n"
      "time on the machine's threads and CPU time on one thread:\n");
  for (const std::string& stem : stitches) {
    const bool one = stem.ends_with("/one thread");
    const double whole = one ? r.CpuMillis(stem + "/whole") : r.Millis(stem + "/whole");
    const double scores = one ? r.CpuMillis(stem + "/scores") : r.Millis(stem + "/scores");
    if (whole <= 0 || scores < 0) {
      std::printf("%-44s (not run)\n", stem.c_str());
      continue;
    }
    std::printf("%-44s whole %9.3f ms  scores %8.3f ms  share %5.1f %%\n", stem.c_str(), whole,
                scores, 100.0 * scores / whole);
  }
  PrintOutcomes(*sets);
  return 0;
}
