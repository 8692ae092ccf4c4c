#include <gtest/gtest.h>

#include "HostCodes.h"
#include "LineSplit.h"
#include "NameParsing.h"

using namespace pihost;

namespace {
PI::CObject MakeObject(std::uint64_t id, std::int32_t type) {
    PI::CObject o;
    o.m_ID = id;
    o.m_Type = type;
    return o;
}
} // namespace

TEST(ObjectRefParsing, NamesAndIdentifiers) {
    ObjectRef ref;
    std::string error;
    ASSERT_TRUE(ParseObjectRef("PLUGIN", ref, error));
    EXPECT_EQ(ObjectRef::Kind::Plugin, ref.kind);
    ASSERT_TRUE(ParseObjectRef("adapter", ref, error));
    EXPECT_EQ(ObjectRef::Kind::Adapter, ref.kind);
    EXPECT_EQ(0u, ref.index);
    ASSERT_TRUE(ParseObjectRef("adapter:2", ref, error));
    EXPECT_EQ(2u, ref.index);
    ASSERT_TRUE(ParseObjectRef("0x0136000000000001", ref, error));
    EXPECT_EQ(ObjectRef::Kind::Id, ref.kind);
    EXPECT_EQ(0x0136000000000001ull, ref.id);
    ASSERT_TRUE(ParseObjectRef("ffffffffffffffff", ref, error));
    EXPECT_EQ(~0ull, ref.id);
}

TEST(ObjectRefParsing, RejectsMalformedObjects) {
    ObjectRef ref;
    for (const char* bad : {"", "0x", "adapter:", "adapter:x", "adapter:-1", "0x10000000000000000", "drive", "0xg1",
                            "12345678901234567"}) {
        std::string error;
        EXPECT_FALSE(ParseObjectRef(bad, ref, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(ObjectRefResolving, FindsPluginAndAdaptersByPosition) {
    const std::vector<PI::CObject> topology = {MakeObject(0x10, Codes::TYPE_PLUGIN),
                                               MakeObject(0x11, Codes::TYPE_ADAPTER),
                                               MakeObject(0x12, Codes::TYPE_ADAPTER_PARSED)};
    std::uint64_t id = 0;
    std::string error;
    ASSERT_TRUE(ResolveObject(ObjectRef{ObjectRef::Kind::Plugin, 0, 0}, topology, id, error));
    EXPECT_EQ(0x10u, id);
    ASSERT_TRUE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 0, 0}, topology, id, error));
    EXPECT_EQ(0x11u, id);
    ASSERT_TRUE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 1, 0}, topology, id, error));
    EXPECT_EQ(0x12u, id);
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 2, 0}, topology, id, error));
    EXPECT_NE(std::string::npos, error.find("2 adapters"));
    // An explicit identifier is left to the plugin to judge.
    ASSERT_TRUE(ResolveObject(ObjectRef{ObjectRef::Kind::Id, 0, 0x99}, topology, id, error));
    EXPECT_EQ(0x99u, id);
}

TEST(ObjectRefResolving, PluginAloneHasNoAdapter) {
    const std::vector<PI::CObject> topology = {MakeObject(0x10, Codes::TYPE_PLUGIN)};
    std::uint64_t id = 0;
    std::string error;
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 0, 0}, topology, id, error));
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Plugin, 0, 0}, {}, id, error));
}

TEST(CodeParsing, NamesNumbersAndSpellings) {
    std::int32_t code = 0;
    std::string error;
    ASSERT_TRUE(ParseCode(CodeNames::Table::Property, "NAME", code, error));
    EXPECT_EQ(30007, code);
    ASSERT_TRUE(ParseCode(CodeNames::Table::Property, "poll-interval", code, error));
    EXPECT_EQ(30005, code);
    ASSERT_TRUE(ParseCode(CodeNames::Table::Property, "30022", code, error));
    EXPECT_EQ(30022, code);
    ASSERT_TRUE(ParseCode(CodeNames::Table::Property, "-1", code, error));
    EXPECT_EQ(-1, code);
    ASSERT_TRUE(ParseCode(CodeNames::Table::Operation, "GET_EVENTS", code, error));
    EXPECT_EQ(50002, code);
    ASSERT_TRUE(ParseCode(CodeNames::Table::Operation, "scan_configuration", code, error));
    EXPECT_EQ(50007, code);
}

TEST(CodeParsing, RejectsUnknownNamesAndHugeNumbers) {
    std::int32_t code = 7;
    std::string error;
    EXPECT_FALSE(ParseCode(CodeNames::Table::Property, "NO_SUCH_PROPERTY", code, error));
    EXPECT_NE(std::string::npos, error.find("property"));
    EXPECT_FALSE(ParseCode(CodeNames::Table::Operation, "NAME", code, error));
    EXPECT_FALSE(ParseCode(CodeNames::Table::Property, "2147483648", code, error));
    EXPECT_FALSE(ParseCode(CodeNames::Table::Property, "", code, error));
    EXPECT_FALSE(ParseCode(CodeNames::Table::Property, "-", code, error));
    EXPECT_EQ(7, code);
}

TEST(PollIntervalParsing, AcceptsOnlyWholeSecondsInRange) {
    std::int32_t seconds = 0;
    std::string error;
    ASSERT_TRUE(ParsePollInterval("2", seconds, error));
    EXPECT_EQ(2, seconds);
    ASSERT_TRUE(ParsePollInterval("255", seconds, error));
    EXPECT_EQ(255, seconds);
    ASSERT_TRUE(ParsePollInterval("030", seconds, error));
    EXPECT_EQ(30, seconds);
    for (const char* bad : {"0", "1", "256", "300", "30abc", "", " 30", "-5", "+5", "3.5", "99999999999999999999"}) {
        EXPECT_FALSE(ParsePollInterval(bad, seconds, error)) << bad;
    }
    EXPECT_FALSE(ParsePollInterval("256", seconds, error));
    EXPECT_NE(std::string::npos, error.find("out of range"));
}

TEST(TraceMaskParsing, DecimalOrHexOf32Bits) {
    std::string error;
    EXPECT_TRUE(ParseTraceMask("0", error));
    EXPECT_TRUE(ParseTraceMask("0x1F", error));
    EXPECT_TRUE(ParseTraceMask("4294967295", error));
    EXPECT_FALSE(ParseTraceMask("4294967296", error));
    EXPECT_FALSE(ParseTraceMask("0x100000000", error));
    EXPECT_FALSE(ParseTraceMask("0x", error));
    EXPECT_FALSE(ParseTraceMask("all", error));
    EXPECT_FALSE(ParseTraceMask("", error));
}

TEST(TableNameParsing, CanonicalSpelling) {
    std::string name;
    std::string error;
    ASSERT_TRUE(ParseTableName("pd_ld", name, error));
    EXPECT_EQ("PD_LD", name);
    ASSERT_TRUE(ParseTableName("adapter", name, error));
    EXPECT_EQ("Adapter", name);
    EXPECT_FALSE(ParseTableName("Adapters", name, error));
    EXPECT_FALSE(ParseTableName("sqlite_master", name, error));
}

TEST(LineSplitting, WordsQuotesAndEscapes) {
    std::vector<std::string> words;
    std::string error;
    ASSERT_TRUE(SplitLine("  run   adapter\tSCAN_CONFIGURATION  ", words, error));
    EXPECT_EQ((std::vector<std::string>{"run", "adapter", "SCAN_CONFIGURATION"}), words);
    ASSERT_TRUE(SplitLine("get 'plugin' \"NA\"ME a\\ b", words, error));
    EXPECT_EQ((std::vector<std::string>{"get", "plugin", "NAME", "a b"}), words);
    ASSERT_TRUE(SplitLine("x \"say \\\"hi\\\" \\n\" '' 'it''s'", words, error));
    EXPECT_EQ((std::vector<std::string>{"x", "say \"hi\" \\n", "", "its"}), words);
    ASSERT_TRUE(SplitLine("topology # the tree", words, error));
    EXPECT_EQ((std::vector<std::string>{"topology"}), words);
    ASSERT_TRUE(SplitLine("a#b", words, error));
    EXPECT_EQ((std::vector<std::string>{"a#b"}), words);
    ASSERT_TRUE(SplitLine("   ", words, error));
    EXPECT_TRUE(words.empty());
}

TEST(LineSplitting, UnterminatedInputIsAnError) {
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitLine("get 'plugin", words, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(SplitLine("get \"plugin", words, error));
    EXPECT_FALSE(SplitLine("get plugin\\", words, error));
}
