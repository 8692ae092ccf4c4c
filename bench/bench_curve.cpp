// B9: how the cost grows with the adapters: a worker cycle (nothing changed, and one adapter changed)
// and GetTopology for 1, 10, 100 and the most adapters a 64,000-byte answer holds, per adapter.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"
#include "lumo/Lumo.h"

namespace bench {
namespace {
const int ROUNDS = 5;
const double ROUND_SECONDS = 0.05;
const std::size_t REFERENCE = 10; // the per-adapter cost at this size is the baseline

double ThreadCpuUs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

// One plugin initialised over an answer of `count` adapters, and that answer.
struct Size {
    std::size_t count;
    std::string answer;
    std::unique_ptr<PluginSession> session;
};

struct Kind {
    const char* name;
    // Runs one measured call; `prepare` runs before it, untimed (it may set an answer of its own).
    std::function<void(Plugin&)> prepare;
    std::function<void(Plugin&)> call;
};

// One round: the mean CPU time of one call (the caller keeps the least of the rounds).
double MeasureUs(Size& size, const Kind& kind) {
    Plugin& plugin = size.session->Get();
    LumoEmu_SetAnswer(size.answer.c_str());
    kind.prepare(plugin);
    // Untimed: the first request after a new answer makes the emulator build it, later ones reuse it.
    kind.call(plugin);
    double total = 0;
    int calls = 0;
    while (total < ROUND_SECONDS * 1e6 || calls < 3) {
        kind.prepare(plugin);
        const double start = ThreadCpuUs();
        kind.call(plugin);
        total += ThreadCpuUs() - start;
        ++calls;
    }
    return total / calls;
}

void Curve(benchmark::State& state) {
    std::vector<Size> sizes;
    for (std::size_t count : {std::size_t(1), REFERENCE, std::size_t(100), MostAdapters()}) {
        Size size{count, AnswerWithAdapters(count), nullptr};
        size.session = std::make_unique<PluginSession>(DbKind::Memory, size.answer);
        size.session->Get().WorkerDo(false); // the first cycle settles the rows
        sizes.push_back(std::move(size));
    }
    const auto nothing = [](Plugin&) {};
    const auto cycle = [](Plugin& plugin) { plugin.WorkerDo(false); };
    std::vector<PI::CObject> objects;
    unsigned changes = 0;
    const std::vector<Kind> kinds = {
        {"cycle-unchanged", nothing, cycle},
        // The last adapter's firmware text is new at every cycle, as after a real change: the cycle takes
        // the update path for it with an update text the database has not seen before.
        {"cycle-one-changed",
         [&changes](Plugin& plugin) {
             const std::size_t count = Peer::adapters(plugin).size();
             LumoEmu_SetAnswer(
                 AnswerWithAdapters(count, "1.5 (LPC), 1.7 (FX3S) #" + std::to_string(++changes)).c_str());
             FetchAnswer();
         },
         cycle},
        {"topology", nothing, [&objects](Plugin& plugin) { plugin.Execute(PI::GET_TOPOLOGY, 0, &objects); }},
    };
    std::vector<std::vector<double>> best(kinds.size(),
                                          std::vector<double>(sizes.size(), std::numeric_limits<double>::max()));
    for (auto _ : state) {
        for (int round = 0; round < ROUNDS; ++round) {
            for (std::size_t k = 0; k < kinds.size(); ++k) {
                for (std::size_t s = 0; s < sizes.size(); ++s) {
                    best[k][s] = std::min(best[k][s], MeasureUs(sizes[s], kinds[k]));
                }
            }
        }
    }
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const double reference = best[k][1] / static_cast<double>(REFERENCE);
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            Row row;
            row.name = std::string("B9/ours/") + kinds[k].name + "/" + std::to_string(sizes[s].count);
            row.oursUs = best[k][s] / static_cast<double>(sizes[s].count);
            if (sizes[s].count > REFERENCE) {
                row.baseUs = reference;
                row.ratio = row.oursUs / reference;
            }
            if (sizes[s].count == MostAdapters()) {
                row.met = row.ratio <= 1.5 ? 1 : 0;
            }
            char note[96];
            std::snprintf(note, sizeof(note), "per adapter; %.1f us per call", best[k][s]);
            row.note = note;
            AddRow(row);
        }
    }
}

const bool registered = [] {
    SetGoal("B9", "per adapter at the most <= 1.5x at 10");
    benchmark::RegisterBenchmark("B9/curve", Curve)->Iterations(1)->UseRealTime();
    return true;
}();
} // namespace
} // namespace bench
