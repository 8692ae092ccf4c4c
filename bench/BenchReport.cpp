// Runs every benchmark, then prints one table: benchmark, our time, baseline time, ratio, goal.
#include "BenchReport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {
namespace {
std::map<std::string, std::string>& Goals() {
    static std::map<std::string, std::string> goals;
    return goals;
}

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                // microseconds, whatever unit the benchmark reports in
                times[run.benchmark_name()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
                for (const auto& c : run.counters) {
                    counters[run.benchmark_name()] += " " + c.first + "=" + std::to_string(c.second.value);
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
    std::map<std::string, std::string> counters;
};
} // namespace

void SetGoal(const std::string& group, const std::string& goal) { Goals()[group] = goal; }
} // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-44s %14s %14s %8s  %s\n", "benchmark", "ours", "baseline", "ratio", "goal");
    for (const auto& entry : reporter.times) {
        const std::string& name = entry.first;
        const auto ours = name.find("/ours/");
        if (ours == std::string::npos) continue;
        const std::string group = name.substr(0, ours);
        std::string baseName = name;
        baseName.replace(ours, 6, "/base/");
        const auto base = reporter.times.find(baseName);
        const std::string goal = bench::Goals().count(group) ? bench::Goals()[group] : "report";
        if (base == reporter.times.end()) {
            std::printf("%-44s %11.2f us %14s %8s  %s%s\n", name.c_str(), entry.second, "-", "-",
                        goal.c_str(), reporter.counters[name].c_str());
            continue;
        }
        std::printf("%-44s %11.2f us %11.2f us %7.2fx  %s%s\n", name.c_str(), entry.second, base->second,
                    entry.second / base->second, goal.c_str(),
                    reporter.counters[name].c_str());
    }
    benchmark::Shutdown();
    return 0;
}
