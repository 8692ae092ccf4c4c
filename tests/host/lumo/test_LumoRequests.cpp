// The request check, the session requirement and the answer capacity.
#include "LumoTestSupport.h"

using namespace LumoTest;

namespace {

class RequestTest : public EmulatorTest {
protected:
    void SetUp() override {
        EmulatorTest::SetUp();
        connect();
    }
};

// The request fails with `error` and leaves the buffer as it was.
void expectRefused(const std::string& request, uint32_t length, int32_t error = LUMO_E_REQUEST) {
    SCOPED_TRACE(request);
    std::string buffer(64, '#');
    EXPECT_EQ(Lumo_PemraRequest(request.data(), length, buffer.data(), 64, 5), -1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), error);
    EXPECT_STRNE(Lumo_GetLastErrorMessage(), "OK");
    EXPECT_EQ(buffer, std::string(64, '#'));
}

TEST_F(RequestTest, UnknownOperationGetsErrorStatusAndNoTree) {
    const Exchange exchange = sendRequest(R"({"SIP":{"V":1,"CMD":[{"OC":4711}]}})");
    ASSERT_GT(exchange.result, 0);
    rapidjson::Document envelope;
    ASSERT_TRUE(parses(exchange.answer, envelope));
    const auto& entry = envelope["SIP"]["CMD"][0];
    EXPECT_EQ(entry["OC"].GetInt(), 4711);
    EXPECT_NE(entry["ST"].GetInt(), 0);
    EXPECT_FALSE(entry.HasMember("DA"));
}

TEST_F(RequestTest, RequestsThatAreNoCommandEnvelopeAreRefused) {
    for (const char* request :
         {"not json", R"([1,2])", R"({"V":1,"CMD":[{"OC":8624}]})", R"({"SIP":{"V":1}})",
          R"({"SIP":{"V":1,"CMD":{"OC":8624}}})", R"({"SIP":{"V":1,"CMD":[]}})",
          R"({"SIP":{"V":1,"CMD":[{"OC":8624},{"OC":8624}]}})", R"({"SIP":{"V":1,"CMD":[{"OC":"8624"}]}})",
          R"({"SIP":{"V":1,"CMD":[{"OC":86.24}]}})", R"({"SIP":{"V":1,"CMD":[8624]}})"}) {
        expectRefused(request, static_cast<uint32_t>(std::string(request).size()));
    }
    // A length short of the whole text cuts the request.
    expectRefused(kTreeRequest, static_cast<uint32_t>(kTreeRequest.size() - 1));
    std::string buffer(8, '#');
    EXPECT_EQ(Lumo_PemraRequest(nullptr, 10, buffer.data(), 8, 5), -1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_REQUEST);
    EXPECT_EQ(Lumo_PemraRequest(kTreeRequest.data(), static_cast<uint32_t>(kTreeRequest.size()), nullptr, 100, 5), -1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_ARGUMENT);
}

TEST_F(RequestTest, OnlyTheGivenLengthOfTheRequestIsRead) {
    // Text after the length would make the request invalid if it were read.
    const std::string padded = kTreeRequest + "}}garbage";
    std::vector<char> buffer(kPluginCapacity + 1, '\0');
    EXPECT_GT(
        Lumo_PemraRequest(padded.data(), static_cast<uint32_t>(kTreeRequest.size()), buffer.data(), kPluginCapacity, 5),
        0);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_OK);
}

TEST_F(RequestTest, RequestWithoutSessionFailsAndWritesNothing) {
    ASSERT_EQ(Lumo_Disconnect(), 1);
    expectRefused(kTreeRequest, static_cast<uint32_t>(kTreeRequest.size()), LUMO_E_NOT_CONNECTED);
}

TEST_F(RequestTest, AnswerNeverPassesTheCapacity) {
    const std::string full = sendRequest().answer;
    ASSERT_GT(full.size(), 100u);
    const uint32_t size = static_cast<uint32_t>(full.size());
    constexpr size_t kCanary = 16;

    for (const uint32_t capacity : {0u, 1u, 7u, 100u, size - 1, size, size + 1, size + 50}) {
        SCOPED_TRACE(capacity);
        std::vector<char> buffer(capacity + kCanary, '#');
        const int32_t result = Lumo_PemraRequest(kTreeRequest.data(), static_cast<uint32_t>(kTreeRequest.size()),
                                                 buffer.data(), capacity, 5);
        const uint32_t expected = std::min(capacity, size);
        EXPECT_EQ(result, static_cast<int32_t>(expected));
        EXPECT_EQ(std::string(buffer.data(), expected), full.substr(0, expected));
        if (expected < capacity) {
            EXPECT_EQ(buffer[expected], '\0');
            EXPECT_EQ(std::string(buffer.data() + expected + 1, capacity - expected - 1),
                      std::string(capacity - expected - 1, '#'));
        }
        EXPECT_EQ(std::string(buffer.data() + capacity, kCanary), std::string(kCanary, '#'));
        EXPECT_EQ(Lumo_GetLastErrorCode(), capacity < size ? LUMO_E_TRUNCATED : LUMO_OK);
    }
}

} // namespace
