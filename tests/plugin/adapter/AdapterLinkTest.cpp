// The controller exchange as the link library and the trace see it.
#include <cstdlib>
#include <functional>
#include <fstream>
#include <map>
#include <new>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "piDorv/Src/piDorvPlugin.h"

// Allocations of exactly g_FailingSize bytes fail while it is non-zero. The replacements pair malloc
// with free themselves; GCC cannot see that through the inlined calls.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::size_t g_FailingSize = 0;
} // namespace
void* operator new(std::size_t size) {
    void* p = g_FailingSize != 0 && size == g_FailingSize ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {
using namespace adapter_test;
using NAMESPACE_piDorv::adaptersGet;

const std::string REQUEST = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";
const std::string CONNECT = "Lumo_Connect Kelto-piDorv";
const Lines SESSION = {CONNECT, "Lumo_PemraRequest 35 64000 5 " + REQUEST, "Lumo_Disconnect"};

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// At level 16 each diagnostic call is followed by the reads of the last error ...
Lines WithErrorReads(const Lines& calls) {
    Lines out;
    for (const std::string& call : calls) {
        out = out + Lines{call, "Lumo_GetLastErrorCode", "Lumo_GetLastErrorMessage"};
    }
    return out;
}
// ... and its record by the record of that error.
Lines Shown(const std::string& what, const std::string& error = "0  message :  OK") {
    return {"10 lumoShowProps lumoShowProps " + what, "10 sayErrorCode Error codes :  " + error};
}

class ControllerLink : public EmulatorFixture {};

// Every trace text of the module, with the library calls made on the way.
TEST_F(ControllerLink, CallsAndTraceOfEveryOutcome) {
    const Lines diagnosticCalls =
        WithErrorReads({"Lumo_Detect", CONNECT, "Lumo_GetVersion 0", "Lumo_GetVersion 1"}) + Lines{"Lumo_Disconnect"};
    const Lines diagnosticTrace = Shown("Lumo_Detect :  1") + Shown("Lumo_Connect :  1") +
                                  Shown("Lumo_GetVersion (0) :  LumoEmu 1.0") +
                                  Shown("Lumo_GetVersion (1) :  Protocol 1");
    const std::string noCommand = R"({"SIP":{"V":1,"CMD":[]}})";
    const std::string entry = R"({"OC":8624,"ST":0,"DA":"{}"})";
    const std::string threeCommands = R"({"SIP":{"V":1,"CMD":[)" + entry + "," + entry + "," + entry + "]}}";
    // A scan with the given faults and answer ("" for the built-in sample), giving the number of adapters.
    const auto scan = [](const char* fault, const std::string& answer) {
        return [fault, answer] {
            LumoEmu_SetFaults(fault);
            LumoEmu_SetAnswer(answer.c_str());
            return adaptersGet().size();
        };
    };
    NAMESPACE_piDorv::CDorvAdapter adapter;
    std::vector<PI::CProperty> properties;
    RaidDataModels::Adapter model;
    PI::COperation check(12345);
    PI::COperation scanConfiguration(50007);
    PI::COperation unknown(50000);
    const auto notify = [](const PI::CEvent&) {};
    struct Row {
        std::function<std::size_t()> action;
        std::uint32_t mask;
        std::size_t result; // adapters found, or the status returned
        Lines calls;
        Lines trace; // level, function, message
    };
    const Row rows[] = {
        {scan("none", ""), 0, 1, Lines{"Lumo_Detect", "Lumo_Disconnect"} + SESSION, {}},
        {scan("none", noCommand), 16 | 4, 0, diagnosticCalls + SESSION,
         diagnosticTrace + Lines{"4 firmwareGetFromLumo firmwareGetFromLumo Request data from TAVRIN : " + REQUEST,
                                 "4 parseDorv100JSON parseDorv100JSON JSON to parse : " + noCommand,
                                 "10 parseDorv100JSON parseDorv100JSON ERROR: Found no CMD in response"}},
        {scan("none", threeCommands), 16, 0, diagnosticCalls + SESSION,
         diagnosticTrace + Lines{"10 parseDorv100JSON parseDorv100JSON ERROR: Found more CMDs then expected! Dont "
                                 "know what to do 3"}},
        {scan("no-controller", ""), 0, 0, {"Lumo_Detect"}, {}},
        {scan("no-controller", ""), 16, 0, WithErrorReads({"Lumo_Detect"}),
         Shown("Lumo_Detect :  0", "1  message :  No management controller found") +
             Lines{"10 firmwareGetFromLumo firmwareGetFromLumo Lumo_Detect : 0"}},
        // a failed working connect is not followed by a disconnect
        {scan("connect-fails", ""), 0, 0, {"Lumo_Detect", "Lumo_Disconnect", CONNECT}, {}},
        {scan("connect-fails", ""), 16, 0, diagnosticCalls + Lines{CONNECT, "Lumo_GetLastErrorMessage"},
         Shown("Lumo_Detect :  1") +
             Shown("Lumo_Connect :  0", "2  message :  Management controller refused the connection") +
             Shown("Lumo_GetVersion (0) :  LumoEmu 1.0") + Shown("Lumo_GetVersion (1) :  Protocol 1") +
             Lines{"10 firmwareGetFromLumo firmwareGetFromLumo Can not connect to Lumo Management controller refused "
                   "the connection"}},
        // an empty answer still closes the session
        {scan("empty-answer", ""), 0, 0, Lines{"Lumo_Detect", "Lumo_Disconnect"} + SESSION, {}},
        // the adapter object; every operation passes the check
        {[&] { return adapter.GetAdapterProperties(properties, {}, {}, 30007); },
         2 | 16,
         0,
         {},
         {"2 GetAdapterProperties ENTER AdapterGetProperties",
          "2 GetAdapterProperties LEAVE AdapterGetProperties -> 0"}},
        {[&] { return adapter.CheckAdapterOperation(check); },
         2 | 16,
         0,
         {},
         {"2 CheckAdapterOperation ENTER CheckAdapterOperation operation=12345",
          "2 CheckAdapterOperation LEAVE CheckAdapterOperation -> 0"}},
        {[&] { return adapter.ExecuteAdapterOperation(scanConfiguration, notify); },
         2 | 16,
         0,
         {},
         {"2 ExecuteAdapterOperation ENTER ExecuteAdapterOperation(50007)",
          "2 ExecuteAdapterOperation LEAVE AdapterExecuteOperation() -> 0"}},
        {[&] { return adapter.ExecuteAdapterOperation(unknown, notify); },
         2 | 16,
         20005,
         {},
         {"2 ExecuteAdapterOperation ENTER ExecuteAdapterOperation(50000)",
          "10 ExecuteAdapterOperation ExecuteAdapterOperation() OpCode(50000)",
          "2 ExecuteAdapterOperation LEAVE AdapterExecuteOperation() -> 20005"}},
        {[&] { return (adapter.SetDatabaseObjectProperties(model), 0u); },
         2 | 16,
         0,
         {},
         {"2 SetDatabaseObjectProperties ENTER SetDatabaseObjectProperties (Adapter)"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        ClearCalls();
        m_Trace.Clear();
        SetMask(row.mask);
        EXPECT_EQ(row.result, row.action());
        EXPECT_EQ(row.calls, Calls());
        Lines trace;
        for (const test_support::TraceRecord& r : m_Trace.Records()) {
            trace.push_back(r.level + " " + r.function + " " + r.message);
            EXPECT_EQ("piDorv/Src/piDorvAdapter", r.source);
        }
        EXPECT_EQ(row.trace, trace);
    }
}

// The answer buffer holds 64000 bytes: an answer of that size is read whole, a longer one is cut there.
TEST_F(ControllerLink, AnswerIsReadUpToTheBufferSize) {
    SetMask(4);
    const std::size_t fill = 64000 - Envelope(Tree({Element(0, {{"Name", "\"\""}})})).size();
    for (std::size_t extra : {0, 1}) {
        const std::string name = "\"" + std::string(fill + extra, 'N') + "\"";
        const std::string answer = Envelope(Tree({Element(0, {{"Name", name.c_str()}})}));
        LumoEmu_SetAnswer(answer.c_str());
        m_Trace.Clear();
        EXPECT_EQ(extra == 0 ? 1u : 0u, adaptersGet().size()) << extra;
        EXPECT_EQ("parseDorv100JSON JSON to parse : " + answer.substr(0, 64000), m_Trace.Messages("4").back());
    }
}

TEST_F(ControllerLink, ExceptionAfterConnectStillDisconnects) {
    g_FailingSize = 64001; // the answer buffer and its closing zero
    EXPECT_THROW(adaptersGet(), std::bad_alloc);
    g_FailingSize = 0;
    EXPECT_EQ((Lines{"Lumo_Detect", "Lumo_Disconnect", CONNECT, "Lumo_Disconnect"}), Calls());
}

// Records from every part of the plugin, lock timing included, name the file and line of the statement
// that wrote them.
TEST_F(ControllerLink, EveryRecordLocatesItsTraceStatement) {
    SetMask(0xFFu);
    {
        NAMESPACE_piDorv::IPLUGINAPI_IMPL plugin;
        std::vector<PI::CAdapterID> ids;
        std::vector<PI::CObject> objects;
        ASSERT_EQ(0u, plugin.Execute(PI::INITIALIZE, 0, &ids));
        ASSERT_EQ(0u, plugin.Execute(PI::SET_ADAPTER_IDS, 0, &ids));
        ASSERT_EQ(0u, plugin.Execute(PI::GET_TOPOLOGY, 0, &objects));
        ASSERT_EQ(0u, plugin.Execute(PI::DEINITIALIZE, 0, nullptr));
    }
    std::map<std::string, Lines> sources;
    for (const std::string& line : m_Trace.Lines()) {
        std::smatch place;
        ASSERT_TRUE(std::regex_search(line, place, std::regex("\t(piDorv/Src/\\w+):(\\d+)\t"))) << line;
        Lines& source = sources[place[1]];
        if (source.empty()) {
            std::ifstream in(PIDORV_SOURCE_DIR "/" + place[1].str() + ".cpp");
            for (std::string text; std::getline(in, text);) {
                source.push_back(text);
            }
        }
        const std::size_t number = std::stoul(place[2]);
        ASSERT_TRUE(number >= 1 && number <= source.size()) << line;
        EXPECT_TRUE(std::regex_search(source[number - 1], std::regex("PIDORV_\\w*(TRACE|TIMING)\\("))) << line;
    }
    for (const char* name : {"Plugin", "Worker", "Routing", "Scan", "PluginDatabase", "Adapter"}) {
        EXPECT_EQ(1u, sources.count(std::string("piDorv/Src/piDorv") + name)) << name;
    }
}
} // namespace
