// The controller exchange as the link library sees it: call order, traces, request and answer handling.
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "piDorv/Src/piDorvAdapter.h"

using namespace adapter_test;
using NAMESPACE_piDorv::adaptersGet;
using NAMESPACE_piDorv::CDorvAdapterList;

namespace {
const std::string REQUEST = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";
const std::string REQUEST_CALL = "Lumo_PemraRequest " + std::to_string(REQUEST.size()) + " 64000 5 " + REQUEST;
const std::string ERRORS[] = {"Lumo_GetLastErrorCode", "Lumo_GetLastErrorMessage"};

std::vector<std::string> WithErrorReads(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        out.push_back(call);
        out.insert(out.end(), std::begin(ERRORS), std::end(ERRORS));
    }
    return out;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::size_t CountStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
    std::size_t n = 0;
    for (const std::string& line : lines) {
        n += line.compare(0, prefix.size(), prefix) == 0 ? 1 : 0;
    }
    return n;
}

class ControllerLink : public EmulatorFixture {};

TEST_F(ControllerLink, QuietScanMakesNoDiagnosticCalls) {
    const CDorvAdapterList adapters = adaptersGet();

    ASSERT_EQ(1u, adapters.size());
    EXPECT_EQ((std::vector<std::string>{"Lumo_Detect", "Lumo_Disconnect", "Lumo_Connect Kelto-piDorv", REQUEST_CALL,
                                        "Lumo_Disconnect"}),
              Calls());
    EXPECT_TRUE(m_Trace.Records().empty());
}

TEST_F(ControllerLink, LevelSixteenAddsDiagnosticSessionAndErrorReports) {
    SetMask(16);
    const CDorvAdapterList adapters = adaptersGet();

    ASSERT_EQ(1u, adapters.size());
    const std::vector<std::string> expected =
        Concat(WithErrorReads({"Lumo_Detect", "Lumo_Connect Kelto-piDorv", "Lumo_GetVersion 0", "Lumo_GetVersion 1"}),
               {"Lumo_Disconnect", "Lumo_Connect Kelto-piDorv", REQUEST_CALL, "Lumo_Disconnect"});
    EXPECT_EQ(expected, Calls());

    const std::vector<TraceRecord> records = m_Trace.Records();
    ASSERT_EQ(8u, records.size());
    const char* const prefixes[] = {"lumoShowProps Lumo_Detect :  ",         "Error codes :  ",
                                    "lumoShowProps Lumo_Connect :  ",        "Error codes :  ",
                                    "lumoShowProps Lumo_GetVersion (0) :  ", "Error codes :  ",
                                    "lumoShowProps Lumo_GetVersion (1) :  ", "Error codes :  "};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(0u, records[i].message.find(prefixes[i])) << records[i].message;
        EXPECT_EQ("10", records[i].level);
        EXPECT_EQ("piDorv/Src/piDorvAdapter", records[i].source);
    }
    EXPECT_NE("lumoShowProps Lumo_Connect :  0", records[2].message);
    EXPECT_EQ("Error codes :  0  message :  OK", records[1].message);
    EXPECT_EQ("sayErrorCode", records[1].function);
    EXPECT_EQ("lumoShowProps", records[0].function);
    EXPECT_NE("lumoShowProps Lumo_Detect :  0", records[0].message);
}

TEST_F(ControllerLink, NoControllerGivesEmptyListWithoutSession) {
    LumoEmu_SetFaults("no-controller");
    SetMask(16);

    EXPECT_TRUE(adaptersGet().empty());
    EXPECT_EQ(WithErrorReads({"Lumo_Detect"}), Calls());
    const std::vector<std::string> messages = m_Trace.Messages();
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ("lumoShowProps Lumo_Detect :  0", messages[0]);
    EXPECT_EQ(0u, messages[1].find("Error codes :  ")) << messages[1];
    EXPECT_NE(std::string::npos, messages[1].find("  message :  ")) << messages[1];
    EXPECT_EQ("firmwareGetFromLumo Lumo_Detect : 0", messages[2]);
}

TEST_F(ControllerLink, NoControllerQuietCallsOnlyDetect) {
    LumoEmu_SetFaults("no-controller");
    EXPECT_TRUE(adaptersGet().empty());
    EXPECT_EQ(std::vector<std::string>{"Lumo_Detect"}, Calls());
}

TEST_F(ControllerLink, FailedWorkingConnectIsNotFollowedByDisconnect) {
    LumoEmu_SetFaults("connect-fails");

    EXPECT_TRUE(adaptersGet().empty());
    EXPECT_EQ((std::vector<std::string>{"Lumo_Detect", "Lumo_Disconnect", "Lumo_Connect Kelto-piDorv"}), Calls());
}

TEST_F(ControllerLink, FailedWorkingConnectTracesLibraryMessage) {
    LumoEmu_SetFaults("connect-fails");
    SetMask(16);

    EXPECT_TRUE(adaptersGet().empty());
    const std::vector<std::string> calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ("Lumo_Connect Kelto-piDorv", calls[calls.size() - 2]);
    EXPECT_EQ("Lumo_GetLastErrorMessage", calls.back());
    EXPECT_EQ(1u, CountStartingWith(calls, "Lumo_Disconnect"));

    const std::vector<std::string> messages = m_Trace.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(0u, messages.back().find("firmwareGetFromLumo Can not connect to Lumo ")) << messages.back();
    EXPECT_GT(messages.back().size(), std::string("firmwareGetFromLumo Can not connect to Lumo ").size());
    EXPECT_EQ("lumoShowProps Lumo_Connect :  0", messages[2]);
}

TEST_F(ControllerLink, RequestDumpAtLevelFour) {
    SetMask(4);
    ASSERT_EQ(1u, adaptersGet().size());

    const std::vector<std::string> messages = m_Trace.Messages("4");
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("firmwareGetFromLumo Request data from TAVRIN : " + REQUEST, messages[0]);
    EXPECT_EQ(0u, messages[1].find("parseDorv100JSON JSON to parse : {\"SIP\"")) << messages[1];
}

TEST_F(ControllerLink, BuiltInSampleGivesOneDorvAdapter) {
    const CDorvAdapterList adapters = adaptersGet();
    ASSERT_EQ(1u, adapters.size());
    const auto& a = adapters[0];
    EXPECT_EQ("1.5 (LPC), 1.7 (FX3S)", a.m_FirmwareVersion);
    EXPECT_EQ(a.m_Product + " (0)", a.m_Name);
    EXPECT_FALSE(a.m_Vendor.empty());
    EXPECT_EQ(32u, a.m_SerialNumber.size());
    EXPECT_EQ(a.m_SerialNumber, a.m_UniqueID);
    EXPECT_EQ(6u, a.m_VendorID.size());
    EXPECT_EQ("0x", a.m_DeviceID.substr(0, 2));
    EXPECT_EQ(0, a.m_AdapterNumber);
    EXPECT_EQ("Dorv", a.m_Type);
    EXPECT_EQ(40024, a.m_Status);
    EXPECT_EQ(1, a.m_StatusWord2);
    EXPECT_EQ(19051, a.PI::CObject::m_Type);
}

TEST_F(ControllerLink, DeviceTreeFileDescribesTheAdapter) {
    Element element(0);
    element.Set("Name", Element::Quoted("Field Unit (0)"))
        .Set("Product", Element::Quoted("Field Unit"))
        .Set("SerialNumber", Element::Quoted("00112233445566778899AABBCCDDEEFF"))
        .Set("VendorID", Element::Quoted("0x1234"))
        .Set("DeviceID", Element::Quoted("0xABCD"))
        .Set("AdapterNumber", "3");
    const std::string path = WriteFile("adapter_tree.json", Tree({element}));
    setenv("LUMO_DEVICE_TREE", path.c_str(), 1);

    const CDorvAdapterList adapters = adaptersGet();
    ASSERT_EQ(1u, adapters.size());
    EXPECT_EQ("Field Unit (0)", adapters[0].m_Name);
    EXPECT_EQ("Field Unit", adapters[0].m_Product);
    EXPECT_EQ("00112233445566778899AABBCCDDEEFF", adapters[0].m_UniqueID);
    EXPECT_EQ("0x1234", adapters[0].m_VendorID);
    EXPECT_EQ("0xABCD", adapters[0].m_DeviceID);
    EXPECT_EQ(3, adapters[0].m_AdapterNumber);
}

TEST_F(ControllerLink, AnswerFillingTheWholeBufferIsReadWithinIt) {
    // A valid envelope far longer than the buffer: the library fills all 64000 bytes, none of them zero.
    Element element(0);
    element.Set("Name", Element::Quoted(std::string(70000, 'N')));
    const std::string answer = Envelope({element});
    ASSERT_GT(answer.size(), 64000u);
    LumoEmu_SetAnswer(answer.c_str());
    SetMask(4);

    EXPECT_TRUE(adaptersGet().empty());
    const std::vector<std::string> messages = m_Trace.Messages("4");
    ASSERT_EQ(2u, messages.size());
    EXPECT_EQ("parseDorv100JSON JSON to parse : " + answer.substr(0, 64000), messages[1]);
}

TEST_F(ControllerLink, LargestAnswerThatFitsIsParsedWhole) {
    std::vector<Element> elements;
    std::string answer;
    while (true) {
        elements.emplace_back(static_cast<int>(elements.size()));
        const std::string next = Envelope(elements);
        if (next.size() > 64000) {
            elements.pop_back();
            break;
        }
        answer = next;
    }
    ASSERT_GT(elements.size(), 50u);
    LumoEmu_SetAnswer(answer.c_str());

    const CDorvAdapterList adapters = adaptersGet();
    ASSERT_EQ(elements.size(), adapters.size());
    EXPECT_EQ(static_cast<std::int64_t>(elements.size() - 1), adapters.back().m_AdapterNumber);
}

TEST_F(ControllerLink, EmptyAnswerGivesEmptyListAndClosesSession) {
    LumoEmu_SetFaults("empty-answer");
    EXPECT_TRUE(adaptersGet().empty());
    const std::vector<std::string> calls = Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ("Lumo_Disconnect", calls.back());
}

} // namespace
