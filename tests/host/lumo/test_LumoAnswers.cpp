// Requests and answers: where answers come from, what they hold, what is refused, and the call log.
#include <string>
#include <vector>

#include "LumoTestSupport.h"
#include "support/SmallStack.h"

using namespace LumoTest;

namespace {
class LumoAnswers : public EmulatorTest {};

// An answer given in process comes first, then the device-tree file (read at every request), then the built-in
// sample; a bare tree is sent in a full envelope.
TEST_F(LumoAnswers, SourcesInTheirOrder) {
    setenv("LUMO_DEVICE_TREE", Path("tree.json").c_str(), 1);
    LUMO_SESSION session{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    EXPECT_EQ(-1, sendRequest().result);
    EXPECT_EQ(LUMO_E_DEVICE_TREE, Lumo_GetLastErrorCode());
    EXPECT_NE(std::string::npos, std::string(Lumo_GetLastErrorMessage()).find(Path("tree.json")));
    for (const char* name : {"sample.json", "two-adapters.json"}) {
        Write("tree.json", example(name)); // a bare tree, wrapped into an envelope
        EXPECT_TRUE(treeOf(sendRequest().answer) == parsed(example(name))) << name;
    }
    LumoEmu_SetAnswer(example("renamed-adapter.json").c_str());
    EXPECT_TRUE(treeOf(sendRequest().answer) == parsed(example("renamed-adapter.json")));
    LumoEmu_SetAnswer(nullptr);
    EXPECT_TRUE(treeOf(sendRequest().answer) == parsed(example("two-adapters.json")));
    unsetenv("LUMO_DEVICE_TREE");
    const Exchange e = sendRequest();
    EXPECT_TRUE(treeOf(e.answer) == parsed(example("sample.json")));
    EXPECT_EQ(std::make_pair(int32_t(e.answer.size()), LUMO_OK), std::make_pair(e.result, e.errorCode));
    EXPECT_EQ(0u, e.answer.find(R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"DA":")"));
    EXPECT_EQ(e.answer.size() - 17, e.answer.rfind(R"(","MI":196613}]}})"));
}

// A text that is an envelope already, or no tree, is sent byte for byte (cut to the capacity); a status to set
// changes only a command entry, and a tree nested too deep to read is read on a small stack without harm.
TEST_F(LumoAnswers, OtherTextsArePassedThroughUnchanged) {
    const std::string deep =
        R"({"TavrinStorageDeviceTree":{"Adapter":)" + std::string(200000, '[') + std::string(200000, ']') + "}}";
    const std::pair<std::string, std::string> rows[] = {
        // text, with status 3 where that differs
        {R"({ "SIP": {"V":1, "CMD":[{"OC":8624,"ST":7,"DA":"{\"x\":1}","MI":42}]}})",
         R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":3,"DA":"{\"x\":1}","MI":42}]}})"},
        {example("malformed.json"), ""},
        {R"({"Something":[1,2]})", ""},
        {R"({"SIP":{"V":1}})", ""},
        {R"({"SIP":{"CMD":5}})", ""},
        {deep, ""}};
    test_support::RunOnSmallStack([&] {
        for (const auto& [text, withStatus] : rows) {
            for (const char* faults : {"", "status:3"}) {
                LumoEmu_SetAnswer(text.c_str());
                LumoEmu_SetFaults(faults);
                EXPECT_EQ(*faults && !withStatus.empty() ? withStatus : text.substr(0, 64000),
                          connectedRequest().answer)
                    << faults << text.substr(0, 40);
            }
        }
    });
}

TEST_F(LumoAnswers, OnlyOneCommandEnvelopeOfItsGivenLengthIsAccepted) {
    LUMO_SESSION session{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    const std::string refused[] = {"not json",
                                   "[1,2]",
                                   R"({"V":1,"CMD":[{"OC":8624}]})",
                                   R"({"SIP":{"V":1}})",
                                   R"({"SIP":{"V":1,"CMD":{"OC":8624}}})",
                                   R"({"SIP":{"V":1,"CMD":[]}})",
                                   R"({"SIP":{"V":1,"CMD":[{"OC":8624},{"OC":8624}]}})",
                                   R"({"SIP":{"V":1,"CMD":[{"OC":"8624"}]}})",
                                   R"({"SIP":{"V":1,"CMD":[{"OC":86.24}]}})",
                                   R"({"SIP":{"V":1,"CMD":[8624]}})",
                                   kTreeRequest.substr(0, kTreeRequest.size() - 1)};
    for (const std::string& request : refused) {
        std::string buffer(64, '#');
        EXPECT_EQ(-1, Lumo_PemraRequest(request.data(), uint32_t(request.size()), buffer.data(), 64, 5)) << request;
        EXPECT_EQ(LUMO_E_REQUEST, Lumo_GetLastErrorCode());
        EXPECT_EQ(std::string(64, '#'), buffer); // nothing written
    }
    char small[8];
    EXPECT_EQ(-1, Lumo_PemraRequest(nullptr, 10, small, 8, 5));
    EXPECT_EQ(LUMO_E_REQUEST, Lumo_GetLastErrorCode());
    EXPECT_EQ(-1, Lumo_PemraRequest(kTreeRequest.data(), uint32_t(kTreeRequest.size()), nullptr, 100, 5));
    EXPECT_EQ(LUMO_E_ARGUMENT, Lumo_GetLastErrorCode());
    // Text after the given length is not read.
    const std::string padded = kTreeRequest + "}}garbage";
    std::vector<char> buffer(100);
    EXPECT_EQ(99, Lumo_PemraRequest(padded.data(), uint32_t(kTreeRequest.size()), buffer.data(), 99, 5));
    // An unknown operation is answered with a non-zero status and no tree.
    EXPECT_EQ(R"({"SIP":{"V":1,"CMD":[{"OC":4711,"ST":1,"MI":196613}]}})",
              sendRequest(R"({"SIP":{"V":1,"CMD":[{"OC":4711}]}})").answer);
}

TEST_F(LumoAnswers, AnswerNeverPassesTheCapacity) {
    LUMO_SESSION session{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    const std::string full = sendRequest().answer;
    const uint32_t size = uint32_t(full.size());
    for (const uint32_t capacity : {0u, 1u, 100u, size - 1, size, size + 1, size + 50}) {
        std::vector<char> buffer(capacity + 16, '#');
        const uint32_t written = std::min(capacity, size);
        EXPECT_EQ(int32_t(written),
                  Lumo_PemraRequest(kTreeRequest.data(), uint32_t(kTreeRequest.size()), buffer.data(), capacity, 5));
        EXPECT_EQ(capacity < size ? LUMO_E_TRUNCATED : LUMO_OK, Lumo_GetLastErrorCode()) << capacity;
        // the answer, a closing zero when it fits, and nothing beyond
        const std::string rest =
            written < capacity ? std::string(1, '\0') + std::string(capacity - written - 1, '#') : "";
        EXPECT_EQ(full.substr(0, written) + rest + std::string(16, '#'), std::string(buffer.begin(), buffer.end()))
            << capacity;
    }
}

// The plugin's calls are pinned in the adapter tests; here what only other callers bring.
TEST_F(LumoAnswers, CallLogEscapesTextsOntoOneLine) {
    setenv("LUMO_CALL_LOG", Path("env.log").c_str(), 1);
    Lumo_Detect();
    LumoEmu_CallLog(Path("calls.log").c_str()); // in process first
    const std::string request("{\"SIP\":\n\t{}}\\\r\x01\x1f\x7f tail", 19);
    char buffer[8] = {};
    Lumo_PemraRequest(request.data(), 17, buffer, sizeof buffer, 5); // only the given length
    Lumo_Connect(nullptr, nullptr);
    LumoEmu_CallLog(nullptr);
    Lumo_GetVersion(1);
    EXPECT_EQ("Lumo_Detect\nLumo_GetVersion 1\n", Read("env.log"));
    EXPECT_EQ("Lumo_PemraRequest 17 8 5 {\"SIP\":\\n\\t{}}\\\\\\r\\x01\\x1F\x7f\nLumo_Connect (null)\n",
              Read("calls.log"));
}
} // namespace
