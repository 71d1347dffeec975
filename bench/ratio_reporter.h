// Benchmarks report their speed beside a baseline measured in the same run.
// A benchmark names its baseline with CompareWith(state, "BM_Baseline"), or
// with the name of one of its own counters that holds a baseline measured in
// the same iterations, in the benchmark's time unit; the reporter prints,
// after the usual table, each such benchmark's time as a multiple of its
// baseline's.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kmxbench {

inline void CompareWith(benchmark::State& state, const std::string& baseline) {
    state.SetLabel("vs " + baseline);
}

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

  private:
    struct Result {
        double real_time;
        std::string baseline;
        std::optional<double> inner_baseline;
    };
    std::map<std::string, Result> results_;
    std::vector<std::string> order_;
};

}  // namespace kmxbench
