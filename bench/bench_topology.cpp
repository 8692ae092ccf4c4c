// B4: GetTopology and GetProperties through Execute against building the same records directly.
// B5: GetTopology from 1, 2 and 4 host threads while the worker cycles without pause.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"

namespace bench {
namespace {
using Clock = std::chrono::steady_clock;

std::uint64_t AdapterId(PluginSession& session) {
    return Peer::adapters(session.Get()).at(0)->m_ID;
}

void TopologyOurs(benchmark::State& state) {
    PluginSession session(DbKind::Memory);
    session.AddSampleDrives();
    std::vector<PI::CObject> objects;
    for (auto _ : state) {
        session.Get().Execute(PI::GET_TOPOLOGY, 0, &objects);
    }
    std::size_t properties = 0;
    for (const auto& o : objects) {
        properties += o.m_Properties.size();
    }
    state.counters["objects"] = static_cast<double>(objects.size());
    state.counters["properties"] = static_cast<double>(properties);
}

// The least any builder of the answer must do: make the same records, element by element.
template <class Record> void Rebuild(std::vector<Record>& out, const std::vector<Record>& answer) {
    out.clear();
    out.reserve(answer.size());
    for (const auto& record : answer) {
        out.push_back(record);
    }
}

void TopologyBase(benchmark::State& state) {
    PluginSession session(DbKind::Memory);
    session.AddSampleDrives();
    std::vector<PI::CObject> answer;
    session.Get().Execute(PI::GET_TOPOLOGY, 0, &answer);
    std::vector<PI::CObject> objects;
    for (auto _ : state) {
        Rebuild(objects, answer);
        benchmark::DoNotOptimize(objects.data());
    }
}

void PropertiesOurs(benchmark::State& state) {
    PluginSession session(DbKind::Memory);
    session.AddSampleDrives();
    const std::uint64_t id = AdapterId(session);
    std::vector<PI::CProperty> properties;
    for (auto _ : state) {
        session.Get().Execute(PI::GET_PROPERTIES, id, &properties);
    }
    state.counters["properties"] = static_cast<double>(properties.size());
}

void PropertiesBase(benchmark::State& state) {
    PluginSession session(DbKind::Memory);
    session.AddSampleDrives();
    std::vector<PI::CProperty> answer;
    session.Get().Execute(PI::GET_PROPERTIES, AdapterId(session), &answer);
    std::vector<PI::CProperty> properties;
    for (auto _ : state) {
        Rebuild(properties, answer);
        benchmark::DoNotOptimize(properties.data());
    }
}

// --- B5 ---------------------------------------------------------------------------------------

const auto RUN_TIME = std::chrono::milliseconds(1500);

struct Load {
    double callsPerSecond = 0;
    double meanUs = 0;
    double p99Us = 0;
    double maxHoldUs = 0; // longest worker cycle (the cycle holds both locks throughout)
    std::size_t cycles = 0;
};

double Percentile(std::vector<double>& values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

Load RunLoad(int threads, bool worker) {
    PluginSession session(DbKind::Memory);
    session.AddSampleDrives();
    Plugin& plugin = session.Get();
    // The first cycle drops the logical drive that no scan reports; both runs start from that model.
    plugin.WorkerDo(false);

    std::atomic<bool> stop{false};
    Load load;
    std::thread cycler;
    if (worker) {
        // What the worker does when force-work events keep coming: one cycle after the other.
        cycler = std::thread([&] {
            while (!stop.load()) {
                const auto start = Clock::now();
                plugin.WorkerDo(true);
                const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
                load.maxHoldUs = std::max(load.maxHoldUs, us);
                ++load.cycles;
                std::this_thread::yield();
            }
        });
    }
    std::mutex merge;
    std::vector<double> latencies;
    std::vector<std::thread> hosts;
    const auto end = Clock::now() + RUN_TIME;
    for (int t = 0; t < threads; ++t) {
        hosts.emplace_back([&] {
            std::vector<double> mine;
            std::vector<PI::CObject> objects;
            while (Clock::now() < end) {
                const auto start = Clock::now();
                plugin.Execute(PI::GET_TOPOLOGY, 0, &objects);
                mine.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
            }
            std::lock_guard<std::mutex> guard(merge);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (auto& host : hosts) {
        host.join();
    }
    stop = true;
    if (cycler.joinable()) {
        cycler.join();
    }
    const double seconds = std::chrono::duration<double>(RUN_TIME).count();
    load.callsPerSecond = static_cast<double>(latencies.size()) / seconds;
    double sum = 0;
    for (double l : latencies) {
        sum += l;
    }
    load.meanUs = latencies.empty() ? 0 : sum / static_cast<double>(latencies.size());
    load.p99Us = Percentile(latencies, 0.99);
    return load;
}

void Scaling(benchmark::State& state) {
    for (auto _ : state) {
        const Load base = RunLoad(1, false);
        Row baseRow;
        baseRow.name = "B5/base/1-thread-no-worker";
        baseRow.oursUs = base.p99Us;
        char note[160];
        std::snprintf(note, sizeof(note), "p99; %.0f calls/s, mean %.2f us", base.callsPerSecond, base.meanUs);
        baseRow.note = note;
        AddRow(baseRow);
        for (int threads : {1, 2, 4}) {
            const Load load = RunLoad(threads, true);
            Row row;
            row.name = "B5/ours/" + std::to_string(threads) + "-thread" + (threads > 1 ? "s" : "") + "+worker";
            row.oursUs = load.p99Us;
            // The limit: a call may wait for one whole worker cycle, then runs as B4 does.
            row.baseUs = load.maxHoldUs + base.meanUs;
            row.ratio = row.oursUs / row.baseUs;
            row.met = row.ratio <= 1.0 ? 1 : 0;
            std::snprintf(note, sizeof(note),
                          "p99 vs longest hold %.0f us + B4 %.2f us; %.0f calls/s, scaling %.2fx, %zu cycles",
                          load.maxHoldUs, base.meanUs, load.callsPerSecond, load.callsPerSecond / base.callsPerSecond,
                          load.cycles);
            row.note = note;
            AddRow(row);
        }
    }
}

const bool registered = [] {
    SetGoal("B4", "<= 2x", 2.0);
    SetGoal("B5", "p99 <= hold + B4; scaling reported");
    RegisterPair("B4", "topology", TopologyOurs, TopologyBase);
    RegisterPair("B4", "adapter-properties", PropertiesOurs, PropertiesBase);
    benchmark::RegisterBenchmark("B5/scaling", Scaling)->Iterations(1)->UseRealTime();
    return true;
}();
} // namespace
} // namespace bench
