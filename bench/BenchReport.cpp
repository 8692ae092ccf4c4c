// Runs every benchmark, then prints one table: benchmark, our time, baseline time, ratio, goal.
#include "BenchReport.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace bench {
namespace {
struct Goal {
    std::string text;
    double maxRatio = 0;
};

std::map<std::string, Goal>& Goals() {
    static std::map<std::string, Goal> goals;
    return goals;
}

struct Pair {
    std::string ours;
    std::string base;
    Loop oursLoop;
    Loop baseLoop;
};

std::vector<Pair>& Pairs() {
    static std::vector<Pair> pairs;
    return pairs;
}

const int ROUNDS = 5;
const double ROUND_SECONDS = 0.15;

void RegisterPairs() {
    for (int round = 0; round < ROUNDS; ++round) {
        for (const auto& pair : Pairs()) {
            benchmark::RegisterBenchmark(pair.ours.c_str(), pair.oursLoop)->MinTime(ROUND_SECONDS);
            benchmark::RegisterBenchmark(pair.base.c_str(), pair.baseLoop)->MinTime(ROUND_SECONDS);
        }
    }
}

std::vector<Row>& AddedRows() {
    static std::vector<Row> rows;
    return rows;
}

struct Measured {
    double us = 0;
    std::string counters;
};

// Keeps the fastest repetition of each benchmark: the one least disturbed by the rest of the machine.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) {
                continue;
            }
            // Timed loops count CPU time; benchmarks that time themselves (manual or real time) their own figure.
            const bool ownTime = !run.run_name.time_type.empty();
            const double perIteration = ownTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
            const double us = perIteration / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
            const std::string name = run.run_name.function_name;
            auto found = times.find(name);
            if (found != times.end() && found->second.us <= us) {
                continue;
            }
            Measured m;
            m.us = us;
            for (const auto& c : run.counters) {
                char value[64];
                std::snprintf(value, sizeof(value), "%.6g", c.second.value);
                m.counters += " " + c.first + "=" + value;
            }
            times[name] = m;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Measured> times;
};

std::string GroupOf(const std::string& name) {
    return name.substr(0, name.find('/'));
}

// Groups in their number's order: B9 before B10.
bool GroupBefore(const std::string& a, const std::string& b) {
    const std::string ga = GroupOf(a);
    const std::string gb = GroupOf(b);
    if (ga.size() != gb.size()) {
        return ga.size() < gb.size();
    }
    return ga < gb;
}

// The goal of the row's case if it has one of its own, else that of its group.
const Goal* GoalOf(const std::string& name) {
    std::string caseName = name;
    const auto ours = caseName.find("/ours/");
    if (ours != std::string::npos) {
        caseName.replace(ours, 6, "/");
    }
    auto found = Goals().find(caseName);
    if (found == Goals().end()) {
        found = Goals().find(GroupOf(name));
    }
    return found == Goals().end() ? nullptr : &found->second;
}

const char* Verdict(const Row& row) {
    int met = row.met;
    if (met < 0) {
        const Goal* goal = GoalOf(row.name);
        if (goal == nullptr || goal->maxRatio <= 0 || row.ratio < 0) {
            return "";
        }
        met = row.ratio <= goal->maxRatio ? 1 : 0;
    }
    return met ? "  [met]" : "  [MISSED]";
}

// Times under a microsecond read better in nanoseconds.
void Figure(char* out, std::size_t size, double value, const std::string& unit) {
    if (unit == "us" && value != 0 && value < 1 && value > -1) {
        std::snprintf(out, size, "%.3f ns", value * 1000);
    } else {
        std::snprintf(out, size, "%.2f %s", value, unit.c_str());
    }
}

void PrintRow(const Row& row) {
    const Goal* goal = GoalOf(row.name);
    const std::string goalText = goal != nullptr ? goal->text : "report";
    char ours[32];
    char base[32];
    char ratio[32];
    Figure(ours, sizeof(ours), row.oursUs, row.unit);
    if (row.baseUs > 0) {
        Figure(base, sizeof(base), row.baseUs, row.unit);
    } else {
        std::snprintf(base, sizeof(base), "-");
    }
    if (row.ratio >= 0) {
        std::snprintf(ratio, sizeof(ratio), "%.2fx", row.ratio);
    } else {
        std::snprintf(ratio, sizeof(ratio), "-");
    }
    std::printf("%-40s %14s %14s %8s  %s%s%s%s\n", row.name.c_str(), ours, base, ratio, goalText.c_str(), Verdict(row),
                row.note.empty() ? "" : "  ", row.note.c_str());
}
} // namespace

void SetGoal(const std::string& group, const std::string& goal, double maxRatio) {
    Goals()[group] = Goal{goal, maxRatio};
}

void AddRow(const Row& row) {
    AddedRows().push_back(row);
}

void RegisterPair(const std::string& group, const std::string& caseName, Loop ours, Loop base) {
    Pairs().push_back(Pair{group + "/ours/" + caseName, group + "/base/" + caseName, std::move(ours), std::move(base)});
}
} // namespace bench

int main(int argc, char** argv) {
    // glibc gives the top of the heap back to the system once 128 KiB of it are free. A loop whose
    // transient blocks end up there (parse documents, SQLite pages) then spends most of its time in
    // brk and page faults, depending on what earlier benchmarks left on the heap; ours and the
    // baseline are measured with that trimming off. Setting the trim threshold also stops glibc from
    // raising its mmap threshold after the first large free, so that is fixed where glibc would take it
    // (blocks of a few hundred KiB, such as a list of 249 adapters, come from the heap, not from mmap).
    // PIDORV_BENCH_DEFAULT_MALLOC=1 keeps glibc's defaults.
    const char* defaultMalloc = std::getenv("PIDORV_BENCH_DEFAULT_MALLOC");
    if (defaultMalloc == nullptr || std::string(defaultMalloc) != "1") {
        mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
        mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    }
    bench::RegisterPairs();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    bench::CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::vector<bench::Row> rows;
    for (const auto& entry : reporter.times) {
        const std::string& name = entry.first;
        const auto ours = name.find("/ours/");
        if (ours == std::string::npos) {
            continue;
        }
        std::string baseName = name;
        baseName.replace(ours, 6, "/base/");
        bench::Row row;
        row.name = name;
        row.oursUs = entry.second.us;
        row.note = entry.second.counters.empty() ? "" : entry.second.counters.substr(1);
        const auto base = reporter.times.find(baseName);
        if (base != reporter.times.end() && base->second.us > 0) {
            row.baseUs = base->second.us;
            row.ratio = row.oursUs / row.baseUs;
        }
        rows.push_back(row);
    }
    for (const auto& row : bench::AddedRows()) {
        rows.push_back(row);
    }

    // Groups in order (B1, B2, ...); within a group pairs first, then the rows the benchmarks added.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const bench::Row& a, const bench::Row& b) { return bench::GroupBefore(a.name, b.name); });
    std::printf("\n%-40s %14s %14s %8s  %s\n", "benchmark", "ours", "baseline", "ratio", "goal");
    for (const auto& row : rows) {
        bench::PrintRow(row);
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
