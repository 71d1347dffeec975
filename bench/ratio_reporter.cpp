#include "ratio_reporter.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kmxbench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        std::string name = run.run_name.function_name;
        std::string baseline;
        if (run.report_label.rfind("vs ", 0) == 0) baseline = run.report_label.substr(3);
        if (!results_.count(name)) order_.push_back(name);
        results_[name] = {run.GetAdjustedRealTime(), baseline, std::nullopt};
        // A baseline measured within the benchmark's own iterations.
        if (auto counter = run.counters.find(baseline); counter != run.counters.end())
            results_[name].inner_baseline = counter->second.value;
    }
}

void RatioReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf("\n%-60s %10s\n", "benchmark / baseline", "ratio");
    for (const std::string& name : order_) {
        const Result& result = results_[name];
        if (result.baseline.empty()) continue;
        if (result.inner_baseline) {
            std::printf(
                "%-60s %9.2fx\n", (name + " / " + result.baseline).c_str(),
                *result.inner_baseline > 0 ? result.real_time / *result.inner_baseline : 0.0);
            continue;
        }
        auto found = results_.find(result.baseline);
        if (found == results_.end() || found->second.real_time <= 0) {
            std::printf("%-60s %10s\n", name.c_str(), "no baseline");
            continue;
        }
        std::printf("%-60s %9.2fx\n", (name + " / " + result.baseline).c_str(),
                    result.real_time / found->second.real_time);
    }
}

}  // namespace kmxbench

int main(int argc, char** argv) {
    // Named objects, device interfaces and registry hives of a benchmark stay
    // private to it: it never touches a user's settings.
    std::string runtime = (std::filesystem::temp_directory_path() / "kmx512-bench-XXXXXX").string();
    if (mkdtemp(runtime.data())) {
        setenv("KMX512_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("KMX512_HKCU", (runtime + "/HKCU.db").c_str(), 1);
        setenv("KMX512_HKLM", (runtime + "/HKLM.db").c_str(), 1);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Colours only on a terminal: the output is often kept in a file.
    kmxbench::RatioReporter reporter(isatty(STDOUT_FILENO)
                                         ? benchmark::ConsoleReporter::OO_Defaults
                                         : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return 0;
}
