// Pairs each benchmark with its baseline and states the goal of the pair.
// A benchmark named "B1/ours/<case>" is compared with "B1/base/<case>"; the table takes the fastest
// repetition of each (CPU time per iteration, so that other processes on a shared machine count least).
// Figures that are not a pair of timed loops (scaling, memory, whole processes) are added as rows.
#pragma once
#include <functional>
#include <string>

#include <benchmark/benchmark.h>

namespace bench {
// The goal of a group ("B1") or of one case of it ("B1/sample", which the rows "B1/ours/sample" and
// "B1/sample" take before the group's): its text, and the largest ratio that meets it (0: only reported).
void SetGoal(const std::string& group, const std::string& goal, double maxRatio = 0);

// A row computed by the benchmark itself. base <= 0 means no baseline figure; ratio < 0 means
// ours / base; met: 1 met, 0 missed, -1 decided by the group's largest ratio (or only reported).
struct Row {
    std::string name;
    double oursUs = 0;
    double baseUs = 0;
    double ratio = -1;
    int met = -1;
    std::string note;
    std::string unit = "us";
};
void AddRow(const Row& row);

// A timed loop and its baseline, registered as "<group>/ours/<case>" and "<group>/base/<case>".
// The two are run alternately in several rounds spread over the whole run; the table takes the
// fastest round of each, so that a burst of load elsewhere on the machine spoils few of them.
using Loop = std::function<void(benchmark::State&)>;
void RegisterPair(const std::string& group, const std::string& caseName, Loop ours, Loop base);
} // namespace bench
