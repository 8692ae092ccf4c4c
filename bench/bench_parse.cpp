// B1: the device-tree parse against a bare RapidJSON parse that reads the same eight members.
#include <benchmark/benchmark.h>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string>
#include <vector>

#include "BenchPlugin.h"
#include "BenchReport.h"
#include "lumo/Lumo.h"
#include "piDorv/Src/piDorvAdapter.h"

namespace {
// An answer of at most 64000 bytes holding as many copies of the sample adapter as fit.
std::string FullAnswer(const std::string& sample) {
    rapidjson::Document envelope;
    envelope.Parse(sample.c_str());
    rapidjson::Document tree;
    tree.Parse(envelope["SIP"]["CMD"][0]["DA"].GetString());
    rapidjson::Value adapter(tree["TavrinStorageDeviceTree"]["Adapter"][0], tree.GetAllocator());
    // Only the members the parser reads, so that the answer holds many adapters.
    rapidjson::Value slim(rapidjson::kObjectType);
    for (const char* m :
         {"FirmwareVersion", "SerialNumber", "Product", "Vendor", "Name", "VendorID", "DeviceID", "AdapterNumber"}) {
        slim.AddMember(rapidjson::Value(m, tree.GetAllocator()), rapidjson::Value(adapter[m], tree.GetAllocator()),
                       tree.GetAllocator());
    }
    std::string best = sample;
    for (int count = 1;; ++count) {
        rapidjson::Value& list = tree["TavrinStorageDeviceTree"]["Adapter"];
        list.Clear();
        for (int i = 0; i < count; ++i)
            list.PushBack(rapidjson::Value(slim, tree.GetAllocator()), tree.GetAllocator());
        rapidjson::StringBuffer treeText;
        rapidjson::Writer<rapidjson::StringBuffer> tw(treeText);
        tree.Accept(tw);
        rapidjson::Document env;
        env.CopyFrom(envelope, env.GetAllocator());
        env["SIP"]["CMD"][0]["DA"].SetString(treeText.GetString(), env.GetAllocator());
        rapidjson::StringBuffer text;
        rapidjson::Writer<rapidjson::StringBuffer> w(text);
        env.Accept(w);
        if (text.GetSize() >= 64000)
            return best;
        best.assign(text.GetString(), text.GetSize());
    }
}

const std::string& Sample() {
    static const std::string s = bench::EmulatorAnswer();
    return s;
}
const std::string& Full() {
    static const std::string s = FullAnswer(Sample());
    return s;
}

// The floor: parse both documents and read the eight members of each adapter.
std::size_t BaselineParse(const std::string& answer) {
    rapidjson::Document envelope;
    envelope.Parse(answer.c_str());
    const rapidjson::Value& cmd = envelope["SIP"]["CMD"];
    rapidjson::Document tree;
    tree.Parse(std::string(cmd[0]["DA"].GetString()).c_str());
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
    for (auto _ : state)
        benchmark::DoNotOptimize(NAMESPACE_piDorv::parseDorv100JSON(answer.c_str()));
    state.counters["adapters"] = static_cast<double>(NAMESPACE_piDorv::parseDorv100JSON(answer.c_str()).size());
}
void Base(benchmark::State& state, const std::string& answer) {
    for (auto _ : state)
        benchmark::DoNotOptimize(BaselineParse(answer));
}

const bool registered = [] {
    bench::SetGoal("B1", "<= 1.3x", 1.3);
    bench::RegisterPair(
        "B1", "sample", [](benchmark::State& s) { Ours(s, Sample()); }, [](benchmark::State& s) { Base(s, Sample()); });
    bench::RegisterPair(
        "B1", "full64000", [](benchmark::State& s) { Ours(s, Full()); }, [](benchmark::State& s) { Base(s, Full()); });
    return true;
}();
} // namespace
