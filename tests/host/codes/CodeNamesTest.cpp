#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>
#include <vector>

#include "codes/CodeNames.h"

using CodeNames::Table;

namespace {
// `list` is "code=NAME ..." for one table; an empty NAME means the code names nothing there.
void expectNames(Table table, const std::string& list) {
    std::istringstream in(list);
    for (std::string item; in >> item;) {
        const std::size_t eq = item.find('=');
        EXPECT_EQ(item.substr(eq + 1), CodeNames::Name(table, std::stoi(item.substr(0, eq)))) << item;
    }
}

// Finds `name` in `table` as `expected`, or (expected < 0) finds nothing and leaves the code alone.
void expectCodeOf(Table table, const std::string& name, std::int32_t expected) {
    std::int32_t code = -7;
    EXPECT_EQ(expected >= 0, CodeNames::CodeOf(table, name, code)) << name;
    EXPECT_EQ(expected >= 0 ? expected : -7, code) << name;
}
} // namespace

// Samples of each table and its ends; a code of one table names nothing in another.
TEST(CodeNames, NameOfEachTable) {
    expectNames(Table::Value, "0= 1=UNDEFINED 40009=RAID1 40053=64K 40278=LINUX_MD 40669=REBUILD 40001=");
    expectNames(Table::Status, "0=SUCCESS 20020=LOGICALDRIVE_BUSY 20174=MDADM_ERROR 40024=");
    expectNames(Table::Event, "5=TEST_TRAP 10132=SCAN_CONFIGURATION 12357=LD_STATE_CHANGE_INV_TO_FOR 50007=");
    expectNames(Table::Operation, "50000=CREATE_LOGICAL_DRIVE 50007=SCAN_CONFIGURATION 50500=ADD_SERVER 10132=");
    // frames, sub-properties, and the first listed name of a code
    expectNames(Table::Property, "0=FRAME_START 3=SEPARATOR_END 30005=POLL_INTERVAL 35044=TYPE 35203=SENSE_LOG "
                                 "1=UNDEFINED 29900=RUI_PROPERTIES");
}

TEST(CodeNames, CodeOfIsTheReverseLookup) {
    expectCodeOf(Table::Operation, "GET_RAID_LEVEL_INFORMATION", 50003);
    expectCodeOf(Table::Event, "SCAN_CONFIGURATION", 10132);
    expectCodeOf(Table::Value, "", 0);
    expectCodeOf(Table::Property, "TYPE", 30056); // a property and a sub-property: the lower code answers
    expectCodeOf(Table::Value, "NO_SUCH_NAME", -1);
    expectCodeOf(Table::Value, "raid1", -1);
    expectCodeOf(Table::Property, "FRAME_END", -1); // only ever listed second
    expectCodeOf(Table::Property, "OBJECT_NAME", -1);
}

TEST(CodeNames, MissingCodeGivesTheSharedEmptyTextAndAddsNothing) {
    const std::size_t values = CodeNames::Count(Table::Value);
    const std::size_t properties = CodeNames::Count(Table::Property);
    const std::string& missing = CodeNames::ValueName(40001);
    EXPECT_EQ("", missing);
    EXPECT_EQ(&missing, &CodeNames::PropertyName(30050));
    EXPECT_EQ(&missing, &CodeNames::StatusName(-1));
    EXPECT_EQ("", CodeNames::EventName(2));
    // Had the lookup inserted a row, the reverse lookup of "" would find it in tables without an empty name,
    // and the value table's own empty name would move off 0.
    std::int32_t code = 0;
    EXPECT_FALSE(CodeNames::CodeOf(Table::Property, "", code));
    EXPECT_FALSE(CodeNames::CodeOf(Table::Status, "", code));
    ASSERT_TRUE(CodeNames::CodeOf(Table::Value, "", code));
    EXPECT_EQ(0, code);
    EXPECT_EQ(values, CodeNames::Count(Table::Value));
    EXPECT_EQ(properties, CodeNames::Count(Table::Property));
}

TEST(CodeNames, ConcurrentLookupsAgree) {
    const std::int32_t codes[] = {40009, 40053, 40095, 40001, 40278, 0, 1};
    std::vector<std::string> expected;
    for (std::int32_t code : codes)
        expected.push_back(CodeNames::ValueName(code));

    const std::size_t before = CodeNames::Count(Table::Property);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2000; ++round) {
                const std::size_t i = static_cast<std::size_t>(round + t) % expected.size();
                std::int32_t code = 0;
                if (CodeNames::ValueName(codes[i]) != expected[i] ||
                    CodeNames::PropertyName(30000 + round % 600).size() > 64 ||
                    !CodeNames::CodeOf(Table::Status, "LOGICALDRIVE_BUSY", code) || code != 20020)
                    ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, mismatches.load());
    EXPECT_EQ(before, CodeNames::Count(Table::Property));
}
