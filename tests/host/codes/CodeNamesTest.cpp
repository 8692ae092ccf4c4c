// The code-name tables: lookups both ways, the first of two names for one code, and misses.
#include <gtest/gtest.h>

#include <tuple>

#include "codes/CodeNames.h"

using CodeNames::Table;

namespace {
const Table TABLES[] = {Table::Value, Table::Status, Table::Event, Table::Operation, Table::Property};
} // namespace

// Codes from 10000 up lie in separate ranges per table. Property codes 1 and 29900 are listed twice
// (then as FRAME_END and OBJECT_NAME): the first name holds; TYPE (30056 and 35044) gives its lowest code.
TEST(CodeNames, EachCodeNamesItsNameInItsTableOnlyAndMissesFindNothing) {
    const std::tuple<Table, std::int32_t, const char*> rows[] = {{Table::Value, 0, ""},
                                                                 {Table::Value, 40669, "REBUILD"},
                                                                 {Table::Status, 0, "SUCCESS"},
                                                                 {Table::Status, 20174, "MDADM_ERROR"},
                                                                 {Table::Event, 10000, "UNKNOWN"},
                                                                 {Table::Event, 12357, "LD_STATE_CHANGE_INV_TO_FOR"},
                                                                 {Table::Operation, 50500, "ADD_SERVER"},
                                                                 {Table::Operation, 50162, "CHANGE_RWH"},
                                                                 {Table::Property, 1, "UNDEFINED"},
                                                                 {Table::Property, 29900, "RUI_PROPERTIES"},
                                                                 {Table::Property, 30056, "TYPE"},
                                                                 {Table::Property, 35203, "SENSE_LOG"}};
    for (const auto& [table, code, name] : rows) {
        EXPECT_EQ(CodeNames::Name(table, code), name) << code;
        std::int32_t found = -7;
        EXPECT_TRUE(CodeNames::CodeOf(table, name, found)) << code;
        EXPECT_EQ(found, code);
        for (Table other : TABLES) {
            EXPECT_TRUE(other == table || code < 10000 || CodeNames::Name(other, code).empty()) << code;
        }
    }
    EXPECT_EQ(CodeNames::Name(Table::Property, 35044), "TYPE");
    std::int32_t found = -7;
    for (Table table : TABLES) {
        for (std::int32_t code : {-1, 6, 9999, 12358, 19999, 20175, 29899, 35204, 39999, 40670, 50163, 50501}) {
            EXPECT_EQ(CodeNames::Name(table, code), "") << code;
        }
    }
    for (const char* name : {"NO_SUCH_NAME", "raid1", "FRAME_END", "OBJECT_NAME"}) {
        EXPECT_FALSE(CodeNames::CodeOf(Table::Property, name, found)) << name;
    }
    EXPECT_EQ(found, -7) << "a miss leaves the code alone";
}
