// B1: the device-tree parse against a bare RapidJSON parse that reads the same eight members.
#include <benchmark/benchmark.h>

#include <rapidjson/document.h>

#include <string>

#include "BenchPlugin.h"
#include "BenchReport.h"
#include "piDorv/Src/piDorvAdapter.h"

namespace {
const std::string& Sample() {
    static const std::string s = bench::EmulatorAnswer();
    return s;
}
// As many adapters as the 64,000 bytes the plugin reads hold.
const std::string& Full() {
    static const std::string s = bench::AnswerWithAdapters(bench::MostAdapters());
    return s;
}

// The floor: parse both documents and read the eight members of each adapter.
template <unsigned Flags = rapidjson::kParseDefaultFlags> std::size_t BaselineParse(const std::string& answer) {
    rapidjson::Document envelope;
    envelope.Parse<Flags>(answer.c_str());
    const rapidjson::Value& cmd = envelope["SIP"]["CMD"];
    rapidjson::Document tree;
    tree.Parse<Flags>(std::string(cmd[0]["DA"].GetString()).c_str());
    std::size_t sum = 0;
    for (const auto& a : tree["TavrinStorageDeviceTree"]["Adapter"].GetArray()) {
        std::string fw = a["FirmwareVersion"].GetString(), sn = a["SerialNumber"].GetString(),
                    pr = a["Product"].GetString(), ve = a["Vendor"].GetString(), na = a["Name"].GetString(),
                    vi = a["VendorID"].GetString(), di = a["DeviceID"].GetString();
        sum += fw.size() + sn.size() + pr.size() + ve.size() + na.size() + vi.size() + di.size() +
               static_cast<std::size_t>(a["AdapterNumber"].GetInt() + 1);
    }
    return sum;
}

void Ours(benchmark::State& state, const std::string& answer) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(NAMESPACE_piDorv::parseDorv100JSON(answer.c_str()));
    }
    state.counters["adapters"] = static_cast<double>(NAMESPACE_piDorv::parseDorv100JSON(answer.c_str()).size());
}
void Base(benchmark::State& state, const std::string& answer) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(BaselineParse(answer));
    }
}
// What the iterative parser (no recursion, so no stack overflow on deep input) costs over the recursive one.
void Iterative(benchmark::State& state, const std::string& answer) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(BaselineParse<rapidjson::kParseIterativeFlag>(answer));
    }
}

const bool registered = [] {
    bench::SetGoal("B1/sample", "<= 1.1x", 1.1);
    bench::SetGoal("B1/full64000", "<= 1.15x", 1.15);
    bench::RegisterPair(
        "B1", "sample", [](benchmark::State& s) { Ours(s, Sample()); }, [](benchmark::State& s) { Base(s, Sample()); });
    bench::RegisterPair(
        "B1", "full64000", [](benchmark::State& s) { Ours(s, Full()); }, [](benchmark::State& s) { Base(s, Full()); });
    bench::SetGoal("B1/iterative-flag", "report");
    bench::RegisterPair(
        "B1", "iterative-flag", [](benchmark::State& s) { Iterative(s, Full()); },
        [](benchmark::State& s) { Base(s, Full()); });
    return true;
}();
} // namespace
