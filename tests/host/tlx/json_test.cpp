#include <gtest/gtest.h>

#include "tlx/Json.h"

using TLX::Json::JSONToString;
using TLX::Json::TJsonException;
using TLX::Json::TJsonObject;

namespace {
// The message of the TJsonException thrown by `action`, or "" when none is thrown.
template <typename Action> std::string ErrorOf(Action action) {
    try {
        action();
    } catch (const TJsonException& e) {
        return e.what();
    }
    return std::string();
}

const char* const kAnswer = R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"DA":"{}"}]},"N":5000000000,"F":1.5})";
} // namespace

TEST(Json, ParseErrorsNameTheErrorAndItsOffset) {
    const std::string broken = ErrorOf([] { TJsonObject::constructFromParse("{\"a\": }"); });
    EXPECT_NE(broken.find("Invalid value"), std::string::npos) << broken;
    EXPECT_NE(broken.find("offset 6"), std::string::npos) << broken;
    EXPECT_FALSE(ErrorOf([] { TJsonObject::constructFromParse(""); }).empty());
    EXPECT_FALSE(ErrorOf([] { TJsonObject::constructFromParse(static_cast<const char*>(nullptr)); }).empty());
}

TEST(Json, NestingIsReadUpToTheLimitAndRefusedBeyondIt) {
    const auto nested = [](unsigned depth) { return std::string(depth - 1, '[') + "{}" + std::string(depth - 1, ']'); };
    EXPECT_EQ("", ErrorOf([&] { TJsonObject::constructFromParse(nested(TLX::Json::MAX_JSON_DEPTH)); }));
    const std::string tooDeep =
        ErrorOf([&] { TJsonObject::constructFromParse(nested(TLX::Json::MAX_JSON_DEPTH + 1)); });
    EXPECT_NE(tooDeep.find("nested deeper than 64 levels (offset 64)"), std::string::npos) << tooDeep;
}

TEST(Json, FindMemberWalksTypedMembers) {
    const TJsonObject root = TJsonObject::constructFromParse(kAnswer);
    const TJsonObject cmd = root.findMember("SIP", TLX::Json::JSON_OBJECT).findMember("CMD", TLX::Json::JSON_ARRAY);
    ASSERT_EQ(cmd.jsonValue_Get().Size(), 1u);
    const TJsonObject entry(cmd.jsonDoc_Get(), &cmd.jsonValue_Get()[0]);
    EXPECT_EQ(entry.findMember("OC", TLX::Json::JSON_INTEGER).jsonValue_Get().GetInt(), 8624);
    EXPECT_STREQ(entry.findMember("DA", TLX::Json::JSON_STRING).jsonValue_Get().GetString(), "{}");
    EXPECT_EQ(entry.jsonDoc_Get(), root.jsonDoc_Get());
}

TEST(Json, MissingMistypedAndNonObjectLookupsAreRefused) {
    const TJsonObject root = TJsonObject::constructFromParse(kAnswer);
    const TJsonObject sip = root.findMember("SIP", 0);
    const std::string missing = ErrorOf([&] { sip.findMember("Adapter", 1); });
    EXPECT_NE(missing.find("'Adapter'"), std::string::npos) << missing;
    EXPECT_NE(missing.find("missing"), std::string::npos) << missing;
    const std::string mistyped = ErrorOf([&] { sip.findMember("V", 2); });
    EXPECT_NE(mistyped.find("'V'"), std::string::npos) << mistyped;
    EXPECT_NE(mistyped.find("string"), std::string::npos) << mistyped;

    // integers are signed 32-bit: wider or fractional numbers and texts are refused
    EXPECT_FALSE(ErrorOf([&] { root.findMember("N", 3); }).empty());
    EXPECT_FALSE(ErrorOf([&] { root.findMember("F", 3); }).empty());
    EXPECT_FALSE(ErrorOf([&] { sip.findMember("CMD", 3); }).empty());
    EXPECT_FALSE(ErrorOf([&] { sip.findMember("V", 9); }).empty());
    EXPECT_TRUE(ErrorOf([&] { sip.findMember("V", 3); }).empty());
    // only an object has members
    EXPECT_FALSE(ErrorOf([] { TJsonObject::constructFromParse("[1,2]").findMember("V", 3); }).empty());
    EXPECT_FALSE(ErrorOf([] { TJsonObject::constructFromParse("\"SIP\"").findMember("SIP", 0); }).empty());
}

TEST(Json, JsonToStringIsCompact) {
    const TJsonObject spaced = TJsonObject::constructFromParse("{ \"a\" : [ 1 , \"x\\u0000y\" ], \"b\": {} }");
    EXPECT_EQ(JSONToString(*spaced.jsonDoc_Get()), R"({"a":[1,"x\u0000y"],"b":{}})");
    EXPECT_EQ(JSONToString(spaced.findMember("a", 1).jsonValue_Get()), R"([1,"x\u0000y"])");
}
