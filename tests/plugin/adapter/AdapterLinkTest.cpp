// The controller exchange as the link library sees it: call order, traces, request and answer handling.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvPlugin.h"

using namespace adapter_test;
using NAMESPACE_piDorv::adaptersGet;
using Lines = std::vector<std::string>;

namespace {
const std::string REQUEST = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";
const std::string REQUEST_CALL = "Lumo_PemraRequest " + std::to_string(REQUEST.size()) + " 64000 5 " + REQUEST;
const std::string CONNECT = "Lumo_Connect Kelto-piDorv";

// At trace level 16 every diagnostic call is followed by the two error reads.
Lines WithErrorReads(const Lines& calls) {
    Lines out;
    for (const std::string& call : calls) {
        out.insert(out.end(), {call, "Lumo_GetLastErrorCode", "Lumo_GetLastErrorMessage"});
    }
    return out;
}
Lines Concat(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ControllerLink : public EmulatorFixture {};

TEST_F(ControllerLink, CallOrderWithAndWithoutDiagnostics) {
    struct Case {
        const char* fault;
        std::uint32_t mask;
        std::size_t adapters;
        Lines calls;
    };
    const Lines diagnostic = WithErrorReads({"Lumo_Detect", CONNECT, "Lumo_GetVersion 0", "Lumo_GetVersion 1"});
    const Case cases[] = {
        {"none", 0, 1, {"Lumo_Detect", "Lumo_Disconnect", CONNECT, REQUEST_CALL, "Lumo_Disconnect"}},
        {"none", 16, 1, Concat(diagnostic, {"Lumo_Disconnect", CONNECT, REQUEST_CALL, "Lumo_Disconnect"})},
        {"no-controller", 0, 0, {"Lumo_Detect"}},
        {"no-controller", 16, 0, WithErrorReads({"Lumo_Detect"})},
        // a failed working connect is not followed by a disconnect
        {"connect-fails", 0, 0, {"Lumo_Detect", "Lumo_Disconnect", CONNECT}},
        // an empty answer still closes the session
        {"empty-answer", 0, 0, {"Lumo_Detect", "Lumo_Disconnect", CONNECT, REQUEST_CALL, "Lumo_Disconnect"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fault) + " mask " + std::to_string(c.mask));
        ClearCalls();
        m_Trace.Clear();
        LumoEmu_SetFaults(c.fault);
        SetMask(c.mask);
        EXPECT_EQ(c.adapters, adaptersGet().size());
        EXPECT_EQ(c.calls, Calls());
        if (c.mask == 0) {
            EXPECT_TRUE(m_Trace.Lines().empty());
        }
    }
}

TEST_F(ControllerLink, DiagnosticTracesAtLevelSixteen) {
    SetMask(16);
    ASSERT_EQ(1u, adaptersGet().size());
    const std::vector<test_support::TraceRecord> records = m_Trace.Records();
    const char* const prefixes[] = {"lumoShowProps Lumo_Detect :  ",         "Error codes :  0  message :  OK",
                                    "lumoShowProps Lumo_Connect :  ",        "Error codes :  ",
                                    "lumoShowProps Lumo_GetVersion (0) :  ", "Error codes :  ",
                                    "lumoShowProps Lumo_GetVersion (1) :  ", "Error codes :  "};
    ASSERT_EQ(std::size(prefixes), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(0u, records[i].message.find(prefixes[i])) << records[i].message;
        EXPECT_EQ(i % 2 ? "sayErrorCode" : "lumoShowProps", records[i].function);
        EXPECT_EQ("10", records[i].level);
        EXPECT_EQ("piDorv/Src/piDorvAdapter", records[i].source);
    }
    EXPECT_EQ("Error codes :  0  message :  OK", records[1].message);
    // the detected count and the session handle, not a status
    EXPECT_NE("lumoShowProps Lumo_Detect :  0", records[0].message);
    EXPECT_NE("lumoShowProps Lumo_Connect :  0", records[2].message);
}

TEST_F(ControllerLink, FailuresAreTracedAtLevelSixteen) {
    SetMask(16);
    LumoEmu_SetFaults("no-controller");
    EXPECT_TRUE(adaptersGet().empty());
    Lines messages = m_Trace.Messages();
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ("lumoShowProps Lumo_Detect :  0", messages[0]);
    EXPECT_EQ(0u, messages[1].find("Error codes :  ")) << messages[1];
    EXPECT_NE(std::string::npos, messages[1].find("  message :  ")) << messages[1];
    EXPECT_EQ("firmwareGetFromLumo Lumo_Detect : 0", messages[2]);

    m_Trace.Clear();
    ClearCalls();
    LumoEmu_SetFaults("connect-fails");
    EXPECT_TRUE(adaptersGet().empty());
    const Lines calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ((Lines{CONNECT, "Lumo_GetLastErrorMessage"}), Lines(calls.end() - 2, calls.end()));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "Lumo_Disconnect"));
    messages = m_Trace.Messages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ("lumoShowProps Lumo_Connect :  0", messages[2]);
    const std::string cannot = "firmwareGetFromLumo Can not connect to Lumo ";
    EXPECT_EQ(0u, messages.back().find(cannot)) << messages.back();
    EXPECT_GT(messages.back().size(), cannot.size()); // the library's own message follows
}

TEST_F(ControllerLink, RequestAndAnswerDumpsAtLevelFour) {
    SetMask(4);
    ASSERT_EQ(1u, adaptersGet().size());
    Lines messages = m_Trace.Messages("4");
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("firmwareGetFromLumo Request data from TAVRIN : " + REQUEST, messages[0]);
    EXPECT_EQ(0u, messages[1].find("parseDorv100JSON JSON to parse : {\"SIP\"")) << messages[1];

    // An answer longer than the buffer: the library fills all 64000 bytes, none of them zero, and only
    // those are read.
    Element element(0);
    element.Set("Name", Element::Quoted(std::string(70000, 'N')));
    const std::string answer = Envelope({element});
    LumoEmu_SetAnswer(answer.c_str());
    m_Trace.Clear();
    EXPECT_TRUE(adaptersGet().empty());
    messages = m_Trace.Messages("4");
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("parseDorv100JSON JSON to parse : " + answer.substr(0, 64000), messages[1]);
}

TEST_F(ControllerLink, LargestAnswerThatFitsIsParsedWhole) {
    std::vector<Element> elements;
    std::string answer;
    for (std::string next; (next = Envelope(elements)).size() <= 64000;) {
        answer = next;
        elements.emplace_back(static_cast<int>(elements.size()));
    }
    elements.pop_back();
    ASSERT_GT(elements.size(), 50u);
    LumoEmu_SetAnswer(answer.c_str());
    const auto adapters = adaptersGet();
    ASSERT_EQ(elements.size(), adapters.size());
    EXPECT_EQ(static_cast<std::int64_t>(elements.size() - 1), adapters.back().m_AdapterNumber);
}
} // namespace

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
        EXPECT_TRUE(std::regex_search(source[number - 1], std::regex("PIDORV_\\w*(TRACE|TIMING)\\(")))
            << line << "\n"
            << source[number - 1];
    }
    for (const char* name : {"Plugin", "Worker", "Routing", "Scan", "PluginDatabase", "Adapter"}) {
        EXPECT_EQ(1u, sources.count(std::string("piDorv/Src/piDorv") + name)) << name;
    }
}
