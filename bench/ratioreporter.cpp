#include "ratioreporter.h"

#include <cstdio>

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
    // Adjusted times are in the run's own unit; keep milliseconds.
    const double seconds =
        run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    // With repetitions, the fastest one: other load on the machine only ever adds time.
    const double ms = seconds * 1000.0;
    const auto it = millis_.find(run.run_name.function_name);
    if (it == millis_.end() || ms < it->second) millis_[run.run_name.function_name] = ms;
    const double cpu =
        run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1000.0;
    const auto c = cpuMillis_.find(run.run_name.function_name);
    if (c == cpuMillis_.end() || cpu < c->second) cpuMillis_[run.run_name.function_name] = cpu;
  }
  ConsoleReporter::ReportRuns(runs);
}

double RatioReporter::Millis(const std::string& name) const {
  const auto it = millis_.find(name);
  return it == millis_.end() ? -1.0 : it->second;
}

double RatioReporter::CpuMillis(const std::string& name) const {
  const auto it = cpuMillis_.find(name);
  return it == cpuMillis_.end() ? -1.0 : it->second;
}

void RatioReporter::PrintRatio(const std::string& label, const std::string& baseline,
                               const std::string& fast) const {
  const double b = Millis(baseline);
  const double f = Millis(fast);
  if (b < 0 || f <= 0) {
    std::printf("%-44s (not run)\n", label.c_str());
    return;
  }
  std::printf("%-44s baseline %10.3f ms  fast %9.3f ms  ratio %8.1fx\n", label.c_str(), b, f,
              b / f);
}

RatioReporter& RunWithRatios(int argc, char** argv) {
  static RatioReporter reporter;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter;
}
