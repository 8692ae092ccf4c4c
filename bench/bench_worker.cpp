// B2, B3: one worker cycle against the SQL statements it sends, run straight through sqlite3 on the
// same database. B8: the cost of the trace in a worker cycle.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"
#include "lumo/Lumo.h"
#include "piDorv/Src/piDorvModule.h"
#include "tlx/Trace.h"

namespace bench {
namespace {
const char* const FIRMWARE_A = "1.5 (LPC), 1.7 (FX3S)";
const char* const FIRMWARE_B = "1.6 (LPC), 1.8 (FX3S)";

// B2: the sample answer every time, so nothing changes.
void UnchangedOurs(benchmark::State& state, DbKind kind) {
    PluginSession session(kind);
    session.Get().WorkerDo(false); // the first cycle after Initialize settles the rows
    for (auto _ : state) {
        session.Get().WorkerDo(false);
    }
    state.counters["statements"] = static_cast<double>(session.Record([&] { session.Get().WorkerDo(false); }).size());
}

void UnchangedBase(benchmark::State& state, DbKind kind) {
    PluginSession session(kind);
    session.Get().WorkerDo(false);
    const std::vector<std::string> texts = session.Record([&] { session.Get().WorkerDo(false); });
    RawDatabase raw(session);
    for (auto _ : state) {
        for (const auto& text : texts) {
            benchmark::DoNotOptimize(raw.Run(text));
        }
    }
}

// B3: the adapter's firmware text flips at every cycle, so every cycle takes the update path.
struct FlippingAnswers {
    std::string a = SampleAnswerWithFirmware(FIRMWARE_A);
    std::string b = SampleAnswerWithFirmware(FIRMWARE_B);
};

void ChangedOurs(benchmark::State& state, DbKind kind) {
    const FlippingAnswers answers;
    PluginSession session(kind, answers.a);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        LumoEmu_SetAnswer(flip ? answers.b.c_str() : answers.a.c_str());
        session.Get().WorkerDo(false);
    }
    LumoEmu_SetAnswer(flip ? answers.a.c_str() : answers.b.c_str());
    state.counters["statements"] = static_cast<double>(session.Record([&] { session.Get().WorkerDo(false); }).size());
}

void ChangedBase(benchmark::State& state, DbKind kind) {
    const FlippingAnswers answers;
    PluginSession session(kind, answers.a);
    LumoEmu_SetAnswer(answers.b.c_str());
    const std::vector<std::string> toB = session.Record([&] { session.Get().WorkerDo(false); });
    LumoEmu_SetAnswer(answers.a.c_str());
    const std::vector<std::string> toA = session.Record([&] { session.Get().WorkerDo(false); });
    RawDatabase raw(session);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        for (const auto& text : flip ? toB : toA) {
            benchmark::DoNotOptimize(raw.Run(text));
        }
    }
}

// B8: the same unchanged cycle with every trace level on, written to a file.
void TracedCycle(benchmark::State& state, std::uint32_t mask) {
    PluginSession session(DbKind::Memory);
    session.Get().WorkerDo(false);
    TempDir dir;
    TLX::Internals::SetTraceFile(dir.Path() + "/trace.log");
    NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(mask);
    for (auto _ : state) {
        session.Get().WorkerDo(false);
    }
    NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(0);
    TLX::Internals::SetTraceFile("");
}

// A disabled record, arguments and all, against the bare test of the mask.
void DisabledRecord(benchmark::State& state) {
    NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(0);
    const std::string name = "adapter";
    int value = 0;
    for (auto _ : state) {
        PIDORV_TRACE(4, "DisabledRecord", "%s %d")
            << name << TLX::Output_Streams::FormatInt(static_cast<std::int32_t>(++value));
        benchmark::ClobberMemory();
    }
}

void MaskTest(benchmark::State& state) {
    NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(0);
    int value = 0;
    for (auto _ : state) {
        if (NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.IsTraceEnabled(4)) {
            ++value;
        }
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(value);
}

const bool registered = [] {
    SetGoal("B2", "<= 1.5x", 1.5);
    SetGoal("B3", "<= 1.5x", 1.5);
    SetGoal("B8", "report; mask 0 costs one mask test");
    for (auto kind : {DbKind::Memory, DbKind::WalFile}) {
        const std::string db = kind == DbKind::Memory ? "memory" : "wal";
        RegisterPair(
            "B2", db, [kind](benchmark::State& s) { UnchangedOurs(s, kind); },
            [kind](benchmark::State& s) { UnchangedBase(s, kind); });
        RegisterPair(
            "B3", db, [kind](benchmark::State& s) { ChangedOurs(s, kind); },
            [kind](benchmark::State& s) { ChangedBase(s, kind); });
    }
    // Ours: every level on, written to a file; the baseline: mask 0.
    RegisterPair(
        "B8", "cycle", [](benchmark::State& s) { TracedCycle(s, 0xffffffffu); },
        [](benchmark::State& s) { TracedCycle(s, 0); });
    RegisterPair("B8", "disabled-record", DisabledRecord, MaskTest);
    return true;
}();
} // namespace
} // namespace bench
