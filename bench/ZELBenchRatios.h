// The main function of a benchmark program that prints, after the usual table,
// the ratio of each measured case to its baseline, so nobody divides by hand.
//
//   ZEL_BENCH_MAIN_WITH_RATIOS({
//       {"Trace, channel off / empty call", "BM_TraceOff", 1, "BM_EmptyCall", 1, 2.0},
//   })
//
// Each ratio compares median CPU times (the "median" aggregate when the program
// runs with --benchmark_repetitions, else the median of the runs it saw),
// divided by the items of one iteration (the per-entry cost of a run over 1000
// entries has 1000 there), and is checked against its target.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

struct ZELBenchRatio {
  const char* label;
  const char* measured;  // benchmark name, with its arguments ("BM_Foo/1000")
  double measuredItems;  // items per iteration of the measured benchmark
  const char* baseline;
  double baselineItems;
  double target;  // the ratio should stay at or below this
};

class ZELBenchRatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit ZELBenchRatioReporter(std::vector<ZELBenchRatio> ratios) : _ratios(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    benchmark::ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.str();
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") _medians[name] = run.GetAdjustedCPUTime();
      } else {
        _samples[name].push_back(run.GetAdjustedCPUTime());
      }
    }
  }

  void Finalize() override {
    benchmark::ConsoleReporter::Finalize();
    std::printf("\nRatios (median CPU time per item, measured / baseline):\n");
    for (const ZELBenchRatio& r : _ratios) {
      const double measured = Median(r.measured), baseline = Median(r.baseline);
      if (measured <= 0 || baseline <= 0) {
        std::printf("  %-66s   not run\n", r.label);
        continue;
      }
      const double ratio = (measured / r.measuredItems) / (baseline / r.baselineItems);
      std::printf("  %-66s %7.2fx  (target <= %.2fx) %s\n", r.label, ratio, r.target,
                  ratio <= r.target ? "ok" : "OVER");
    }
    std::fflush(stdout);
  }

 private:
  double Median(const std::string& name) {
    auto m = _medians.find(name);
    if (m != _medians.end()) return m->second;
    auto s = _samples.find(name);
    if (s == _samples.end() || s->second.empty()) return 0;
    std::vector<double> v = s->second;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }

  std::vector<ZELBenchRatio> _ratios;
  std::map<std::string, double> _medians;
  std::map<std::string, std::vector<double>> _samples;
};

#define ZEL_BENCH_MAIN_WITH_RATIOS(...)                                 \
  int main(int argc, char** argv) {                                     \
    benchmark::Initialize(&argc, argv);                                 \
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;   \
    ZELBenchRatioReporter reporter(std::vector<ZELBenchRatio> __VA_ARGS__); \
    benchmark::RunSpecifiedBenchmarks(&reporter);                       \
    benchmark::Shutdown();                                              \
    return 0;                                                           \
  }
