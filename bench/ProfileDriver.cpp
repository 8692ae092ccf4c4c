// One benchmarked call, repeated, for a profiler: `bench_profile WHAT ADAPTERS CALLS` (ADAPTERS 0: the
// most a 64,000-byte answer holds; "sample": the emulator's sample with B4's drives). Under callgrind
// only the repeated calls are collected:
//   valgrind --tool=callgrind --collect-atstart=no build-bench/bench/bench_profile cycle 248 100
// WHAT: cycle (nothing changed), cycle-changed (the last adapter's firmware text new at every cycle, as
// B9 does it), cycle-all-changed (every adapter's), topology, properties (of the first adapter), parse,
// and B4's baselines topology-copy and properties-copy (the same records copied).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include "BenchPlugin.h"
#include "lumo/Lumo.h"
#include "piDorv/Src/piDorvAdapter.h"

namespace {
// A new answer for the next cycle: the last adapter's firmware text numbered by the cycle, or every
// adapter's flipped between two texts of the same length (so that the most adapters still fit).
void ChangeAnswer(std::size_t adapters, int cycle, bool all) {
    std::string answer = bench::AnswerWithAdapters(adapters, "1.5 (LPC), 1.7 (FX3S) #" + std::to_string(cycle));
    if (all && cycle % 2 == 1) {
        for (auto at = answer.find("(FX3S)"); at != std::string::npos; at = answer.find("(FX3S)", at)) {
            answer.replace(at, 6, "(FX3T)");
        }
    }
    LumoEmu_SetAnswer(answer.c_str());
    bench::FetchAnswer();
}

// As B4's baseline builds the records: element by element.
template <class Record> void Copy(std::vector<Record>& out, const std::vector<Record>& answer) {
    out.clear();
    out.reserve(answer.size());
    for (const auto& record : answer) {
        out.push_back(record);
    }
}

void Profiled(const std::string& what, bench::PluginSession& session, const std::string& answer, int calls) {
    bench::Plugin& plugin = session.Get();
    const std::size_t adapters = bench::Peer::adapters(plugin).size();
    std::vector<PI::CObject> objects;
    std::vector<PI::CProperty> properties;
    const unsigned long adapterId = bench::Peer::adapters(plugin).at(0)->m_ID;
    std::vector<PI::CObject> topology;
    plugin.Execute(PI::GET_TOPOLOGY, 0, &topology);
    std::vector<PI::CProperty> adapterProperties;
    plugin.Execute(PI::GET_PROPERTIES, adapterId, &adapterProperties);
    const bool changed = what == "cycle-changed" || what == "cycle-all-changed";
    for (int i = 0; i < calls; ++i) {
        if (changed) {
            ChangeAnswer(adapters, i, what == "cycle-all-changed");
        }
        CALLGRIND_TOGGLE_COLLECT;
        if (what == "cycle" || changed) {
            plugin.WorkerDo(false);
        } else if (what == "topology") {
            plugin.Execute(PI::GET_TOPOLOGY, 0, &objects);
        } else if (what == "properties") {
            plugin.Execute(PI::GET_PROPERTIES, adapterId, &properties);
        } else if (what == "topology-copy") {
            Copy(objects, topology);
        } else if (what == "properties-copy") {
            Copy(properties, adapterProperties);
        } else {
            NAMESPACE_piDorv::parseDorv100JSON(answer.c_str());
        }
        CALLGRIND_TOGGLE_COLLECT;
    }
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(
            stderr,
            "usage: %s cycle|cycle-changed|cycle-all-changed|topology|properties|parse|topology-copy|properties-copy "
            "ADAPTERS|sample CALLS\n",
            argv[0]);
        return 2;
    }
    const std::string what = argv[1];
    const bool sample = std::string(argv[2]) == "sample";
    const std::size_t adapters = std::strtoul(argv[2], nullptr, 10);
    const int calls = std::atoi(argv[3]);
    const std::string answer =
        sample ? bench::EmulatorAnswer() : bench::AnswerWithAdapters(adapters == 0 ? bench::MostAdapters() : adapters);
    bench::PluginSession session(bench::DbKind::Memory, sample ? std::string() : answer);
    if (sample) {
        session.AddSampleDrives();
    } else {
        session.Get().WorkerDo(false);
    }
    std::vector<PI::CObject> objects;
    session.Get().Execute(PI::GET_TOPOLOGY, 0, &objects);
    Profiled(what, session, answer, calls);
    return 0;
}
