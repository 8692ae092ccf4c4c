// B6: heap in use before and after 100,000 worker cycles and 100,000 GetTopology calls.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"

namespace bench {
namespace {
const int CALLS = 100000;
const int WARM_UP = 1000; // lets SQLite's page cache and the allocator's pools settle first

void Measure(const std::string& name, const std::function<void()>& call) {
    for (int i = 0; i < WARM_UP; ++i) {
        call();
    }
    const std::size_t before = HeapInUse();
    for (int i = 0; i < CALLS; ++i) {
        call();
    }
    const std::size_t after = HeapInUse();
    const double growth = static_cast<double>(after) - static_cast<double>(before);
    Row row;
    row.name = name;
    row.unit = "B";
    row.oursUs = growth / CALLS;
    row.met = growth <= 0 ? 1 : 0;
    char note[128];
    std::snprintf(note, sizeof(note), "bytes per call; heap in use %zu B before, %zu B after %d calls", before, after,
                  CALLS);
    row.note = note;
    AddRow(row);
}

void Memory(benchmark::State& state) {
    for (auto _ : state) {
        PluginSession session(DbKind::Memory);
        session.AddSampleDrives();
        Plugin& plugin = session.Get();
        // Topology first: the first worker cycle drops the logical drive no scan reports.
        std::vector<PI::CObject> objects;
        Measure("B6/ours/topology-calls", [&] { plugin.Execute(PI::GET_TOPOLOGY, 0, &objects); });
        Measure("B6/ours/worker-cycles", [&] { plugin.WorkerDo(false); });
    }
}

const bool registered = [] {
    SetGoal("B6", "zero growth");
    benchmark::RegisterBenchmark("B6/memory", Memory)->Iterations(1)->UseRealTime();
    return true;
}();
} // namespace
} // namespace bench
