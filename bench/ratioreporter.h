#pragma once
// Console reporter that also remembers each benchmark's time, so a bench can
// print "baseline / fast" ratios after the run.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;

  // Milliseconds per iteration of the named benchmark (the fastest of its
  // repetitions), or a negative value.
  double Millis(const std::string& name) const;
  // The same in CPU time of the benchmark's thread: the work itself, which
  // other load on the machine leaves alone when the work runs on that thread.
  double CpuMillis(const std::string& name) const;

  // One line per pair: name, both times and baseline / fast.
  void PrintRatio(const std::string& label, const std::string& baseline,
                  const std::string& fast) const;

 private:
  std::map<std::string, double> millis_;
  std::map<std::string, double> cpuMillis_;
};

// Runs the registered benchmarks with a RatioReporter and returns it.
RatioReporter& RunWithRatios(int argc, char** argv);
