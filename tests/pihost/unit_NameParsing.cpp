// The words of a command line: objects, codes, intervals, trace masks, table names and shell lines.
#include <gtest/gtest.h>

#include "HostCodes.h"
#include "LineSplit.h"
#include "NameParsing.h"

using namespace pihost;

// The end-to-end runs name the plugin, adapter:N and identifiers; these are the edges.
TEST(NameParsing, ObjectsAndTheirPositions) {
    ObjectRef ref;
    std::string error;
    ASSERT_TRUE(ParseObjectRef("ffffffffffffffff", ref, error));
    EXPECT_EQ(~0ull, ref.id);
    for (const char* bad : {"", "0x", "adapter:", "adapter:x", "adapter:-1", "0x10000000000000000", "drive", "0xg1",
                            "12345678901234567"}) {
        EXPECT_FALSE(ParseObjectRef(bad, ref, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    // Both adapter types count as adapters.
    std::vector<PI::CObject> topology(3);
    topology[0].m_Type = Codes::TYPE_PLUGIN;
    topology[1].m_Type = Codes::TYPE_ADAPTER;
    topology[2].m_Type = Codes::TYPE_ADAPTER_PARSED;
    topology[2].m_ID = 0x12;
    std::uint64_t id = 0;
    ASSERT_TRUE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 1, 0}, topology, id, error));
    EXPECT_EQ(0x12u, id);
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 2, 0}, topology, id, error));
    EXPECT_NE(std::string::npos, error.find("2 adapters"));
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Plugin, 0, 0}, {}, id, error));
}

TEST(NameParsing, CodesIntervalsMasksAndTables) {
    using T = CodeNames::Table;
    // 7: refused, the output left as it was.
    const std::tuple<T, const char*, std::int32_t> codes[] = {{T::Property, "poll-interval", 30005},
                                                              {T::Property, "-1", -1},
                                                              {T::Operation, "scan_configuration", 50007},
                                                              {T::Operation, "NAME", 7},
                                                              {T::Property, "2147483648", 7},
                                                              {T::Property, "-", 7}};
    std::string error;
    for (const auto& [table, text, expected] : codes) {
        std::int32_t code = 7;
        EXPECT_EQ(expected != 7, ParseCode(table, text, code, error)) << text;
        EXPECT_EQ(expected, code) << text;
    }
    std::int32_t seconds = 0;
    for (const auto& good : {std::make_pair("2", 2), std::make_pair("255", 255), std::make_pair("030", 30)}) {
        ASSERT_TRUE(ParsePollInterval(good.first, seconds, error)) << good.first;
        EXPECT_EQ(good.second, seconds);
    }
    for (const char* bad : {"1", "256", "30abc", "", " 30", "+5", "3.5", "99999999999999999999"})
        EXPECT_FALSE(ParsePollInterval(bad, seconds, error)) << bad;
    for (const char* mask : {"0x1F", "4294967295"})
        EXPECT_TRUE(ParseTraceMask(mask, error)) << mask;
    for (const char* mask : {"4294967296", "0x100000000", "0x", "all", ""})
        EXPECT_FALSE(ParseTraceMask(mask, error)) << mask;
    for (const char* faults : {" garbage , truncate:0,status:-2147483648,delay:3600000,none", "", "a,,"})
        EXPECT_EQ(faults[0] != 'a', ParseFaultList(faults, error)) << faults;
    for (const char* bad :
         {"delay:-5", "status:", "no-controller:1", "delay:3600001", "truncate:-1", "status:2147483648"})
        EXPECT_FALSE(ParseFaultList(bad, error)) << bad;
    std::string name;
    ASSERT_TRUE(ParseTableName("pd_ld", name, error));
    EXPECT_EQ("PD_LD", name);
    EXPECT_FALSE(ParseTableName("sqlite_master", name, error));
}

TEST(NameParsing, ShellLinesSplitLikeAShell) {
    const std::pair<const char*, std::vector<std::string>> lines[] = {
        {"  run   adapter\tSCAN_CONFIGURATION  ", {"run", "adapter", "SCAN_CONFIGURATION"}},
        {"get 'plugin' \"NA\"ME a\\ b", {"get", "plugin", "NAME", "a b"}},
        {"x \"say \\\"hi\\\" \\n\" '' 'it''s'", {"x", "say \"hi\" \\n", "", "its"}},
        {"topology # the tree", {"topology"}},
        {"a#b", {"a#b"}},
        {"   ", {}}};
    for (const auto& l : lines) {
        std::vector<std::string> words;
        std::string error;
        ASSERT_TRUE(SplitLine(l.first, words, error)) << l.first;
        EXPECT_EQ(l.second, words) << l.first;
    }
    for (const char* unterminated : {"get 'plugin", "get \"plugin", "get plugin\\"}) {
        std::vector<std::string> words;
        std::string error;
        EXPECT_FALSE(SplitLine(unterminated, words, error)) << unterminated;
        EXPECT_FALSE(error.empty());
    }
}
