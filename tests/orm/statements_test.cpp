// The SQL texts of the query builder, captured from a fake access object.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "TestModels.h"

using DatabaseORM::and_condition;
using DatabaseORM::columns;
using DatabaseORM::is_equal;
using DatabaseORM::where;

namespace {
const std::string ALL_NULL_MIXED_COLUMNS = "(I, U, W, S, V, D)";

class Statements : public ::testing::Test {
protected:
    // The texts sent since the last call.
    std::vector<std::string> sent() { return std::exchange(h.dao->texts, {}); }
    std::string last() { return sent().back(); }

    Harness h;
};

TEST_F(Statements, InsertProbesMaxOnlyWithKeyOmissionAndARowId) {
    Row row;
    row.A = "x";
    row.B = "localhost";
    h.rowTable->foreignKeys = true;
    h.storage().insert(row);
    EXPECT_EQ(sent(),
              (std::vector<std::string>{"SELECT MAX(ID) FROM T",
                                        "PRAGMA foreign_keys = ON; INSERT INTO T (A, B) VALUES('x', 'localhost');"}));

    h.storage().insert(Mixed{});
    EXPECT_EQ(last(),
              "INSERT INTO M " + ALL_NULL_MIXED_COLUMNS + " VALUES(NULL, NULL, 18446744071562067968, NULL, '', NULL);");

    // Without key omission every binding is written in kind order, with no probe.
    h.mixedTable = DatabaseORM::makeTable<Mixed>("M", false);
    Mixed m;
    m.I = 7;
    h.storage().insert(m);
    EXPECT_EQ(sent(),
              std::vector<std::string>{"INSERT INTO M VALUES(7, NULL, NULL, 18446744071562067968, NULL, '', NULL);"});

    Link link;
    link.L = 3;
    link.P = "pd";
    h.storage().insert(link);
    EXPECT_EQ(sent(), std::vector<std::string>{"INSERT INTO K VALUES(3, 'pd');"});
}

struct ValueCase {
    const char* what;
    Mixed model;
    const char* values;
};

Mixed with(void (*set)(Mixed&)) {
    Mixed m;
    set(m);
    return m;
}

TEST_F(Statements, ValueTextsOfEveryKind) {
    const std::vector<ValueCase> cases = {
        {"int zero", with([](Mixed& m) { m.I = 0; }), "0, NULL, 18446744071562067968, NULL, '', NULL"},
        {"int -1", with([](Mixed& m) { m.I = -1; }), "-1, NULL, 18446744071562067968, NULL, '', NULL"},
        {"ulong zero", with([](Mixed& m) { m.U = 0; }), "NULL, 0, 18446744071562067968, NULL, '', NULL"},
        {"ulong below max", with([](Mixed& m) { m.U = ULONG_MAX - 1; }),
         "NULL, 18446744073709551614, 18446744071562067968, NULL, '', NULL"},
        {"ulong max is null", with([](Mixed& m) { m.W = ULONG_MAX; }), "NULL, NULL, NULL, NULL, '', NULL"},
        {"string", with([](Mixed& m) { m.S = "abc"; }), "NULL, NULL, 18446744071562067968, 'abc', '', NULL"},
        {"empty string", with([](Mixed& m) { m.S = ""; }), "NULL, NULL, 18446744071562067968, '', '', NULL"},
        {"list of two", with([](Mixed& m) {
             m.V = {"a", "b"};
         }),
         "NULL, NULL, 18446744071562067968, NULL, 'a?b', NULL"},
        {"list joined to NULL", with([](Mixed& m) { m.V = {"NULL"}; }),
         "NULL, NULL, 18446744071562067968, NULL, NULL, NULL"},
        {"double zero", with([](Mixed& m) { m.D = 0.0; }), "NULL, NULL, 18446744071562067968, NULL, '', 0.000000"},
        {"double six decimals", with([](Mixed& m) { m.D = -2.5; }),
         "NULL, NULL, 18446744071562067968, NULL, '', -2.500000"},
        {"double nan is null", with([](Mixed& m) { m.D = std::nan(""); }),
         "NULL, NULL, 18446744071562067968, NULL, '', NULL"},
        {"double infinity is null", with([](Mixed& m) { m.D = -HUGE_VAL; }),
         "NULL, NULL, 18446744071562067968, NULL, '', NULL"},
        {"single quotes doubled", with([](Mixed& m) {
             m.S = "O'Brien'); DROP TABLE M; --";
             m.V = {"it's", "x"};
         }),
         "NULL, NULL, 18446744071562067968, 'O''Brien''); DROP TABLE M; --', 'it''s?x', NULL"},
    };
    for (const auto& c : cases) {
        h.storage().insert(c.model);
        const auto texts = sent();
        ASSERT_EQ(texts.size(), 2u) << c.what;
        EXPECT_EQ(texts[1], "INSERT INTO M " + ALL_NULL_MIXED_COLUMNS + " VALUES(" + c.values + ");") << c.what;
    }
}

TEST_F(Statements, UpdateTakesIdFromRoleZeroAndKeepsItOutOfSet) {
    Mixed m;
    m.ID = 4;
    m.I = 1;
    m.S = "s";
    h.mixedTable->foreignKeys = true;
    h.storage().update(m);
    EXPECT_EQ(sent(), std::vector<std::string>{"PRAGMA foreign_keys = ON; UPDATE M SET I=1, U=NULL, "
                                               "W=18446744071562067968, S='s', V='', D=NULL WHERE ID = 4;"});
    // INT_MIN is NULL only as a member value; an ID at INT_MIN or without a binding is still written.
    Row row;
    row.ID = 12;
    h.storage().update(row);
    EXPECT_EQ(last(), "UPDATE T SET A=NULL, B=NULL WHERE ID = 12;");
    h.storage().update(Row{});
    EXPECT_EQ(last(), "UPDATE T SET A=NULL, B=NULL WHERE ID = -2147483648;");
    h.storage().update(Link{});
    EXPECT_EQ(last(), "UPDATE K SET L=NULL, P=NULL WHERE ID = -1;");
}

TEST_F(Statements, ConditionTexts) {
    h.storage().get_all<Row>(where(and_condition(is_equal(&Row::ID, 3), is_equal(&Row::B, "localhost"))));
    EXPECT_EQ(last(), "SELECT * FROM T  WHERE ( ID = '3') AND ( B = 'localhost')  ");
    h.storage(true).remove_all<Row>(where(and_condition(
        and_condition(is_equal(&Row::A, "a"), is_equal(&Row::B, std::string("b"))), is_equal(&Row::ID, -1))));
    EXPECT_EQ(last(), "DELETE FROM T WHERE ( ( t.A = 'a') AND ( t.B = 'b') ) AND ( t.ID = '-1') ");
    h.storage().remove_all<Row>(where(is_equal(&Row::A, std::string("a'b"))));
    EXPECT_EQ(last(), "DELETE FROM T WHERE A = 'a''b'");
    h.storage().remove_all<Mixed>(where(is_equal(&Mixed::V, "SD")));
    EXPECT_EQ(last(), "DELETE FROM M WHERE V = 'SD'");
    // Unsigned values above INT64_MAX go bare, as INSERT writes them; texts and smaller values stay quoted.
    h.storage().remove_all<Mixed>(where(and_condition(is_equal(&Mixed::U, 18446744071562067968ul),
                                                      is_equal(&Mixed::W, std::string("9223372036854775807")))));
    EXPECT_EQ(last(), "DELETE FROM M WHERE ( U = 18446744071562067968) AND ( W = '9223372036854775807') ");
    h.storage().remove_all<Mixed>(where(is_equal(&Mixed::S, "18446744071562067968")));
    EXPECT_EQ(last(), "DELETE FROM M WHERE S = '18446744071562067968'");
    h.rowTable->foreignKeys = true;
    h.storage().remove_all<Row>(where(is_equal(&Row::A, "x")));
    EXPECT_EQ(last(), "PRAGMA foreign_keys = ON; DELETE FROM T WHERE A = 'x'");

    std::string out = "X";
    h.storage().process_single_condition(out, is_equal(&Row::A, 5));
    EXPECT_EQ(out, "X WHERE A = '5'");
}

TEST_F(Statements, SelectQualifiedOrNotAndMaxNeverQualified) {
    h.storage().select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(last(), "SELECT ID, B FROM T WHERE A = 'n'");
    h.storage(true).select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(last(), "SELECT t.ID, t.B FROM T WHERE t.A = 'n'");
    h.storage(true).max(&Mixed::U);
    EXPECT_EQ(last(), "SELECT MAX(U) FROM M");
}

TEST_F(Statements, LastOfTwoBindingsOfOneMemberNamesTheColumn) {
    h.rowMap->bind(&Row::A, "Other", 1);
    EXPECT_EQ(h.storage().stringFromExpression(&Row::A), "Other");
}
} // namespace
