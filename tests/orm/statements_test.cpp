// The SQL texts of the query builder, captured from a fake access object.
#include <gtest/gtest.h>

#include <cmath>

#include "TestModels.h"

using DatabaseORM::and_condition;
using DatabaseORM::columns;
using DatabaseORM::is_equal;
using DatabaseORM::where;

namespace {
const std::string ALL_NULL_MIXED_COLUMNS = "(I, U, W, S, V, D)";

class Statements : public ::testing::Test {
protected:
    Harness h;
};

TEST_F(Statements, InsertWithKeyOmissionProbesMaxThenNamesColumns) {
    Row row;
    row.A = "x";
    row.B = "localhost";
    h.rowTable->foreignKeys = true;
    h.storage().insert(row);
    ASSERT_EQ(h.dao->texts.size(), 2u);
    EXPECT_EQ(h.dao->texts[0], "SELECT MAX(ID) FROM T");
    EXPECT_EQ(h.dao->texts[1], "PRAGMA foreign_keys = ON; INSERT INTO T (A, B) VALUES('x', 'localhost');");
}

TEST_F(Statements, InsertOfDefaultsWritesNullExceptWidenedIntMin) {
    h.storage().insert(Mixed{});
    ASSERT_EQ(h.dao->texts.size(), 2u);
    EXPECT_EQ(h.dao->texts[1],
              "INSERT INTO M " + ALL_NULL_MIXED_COLUMNS + " VALUES(NULL, NULL, 18446744071562067968, NULL, '', NULL);");
}

TEST_F(Statements, InsertWithoutKeyOmissionWritesEveryBindingInKindOrder) {
    h.mixedTable = DatabaseORM::makeTable<Mixed>("M", false);
    Mixed m;
    m.I = 7;
    h.storage().insert(m);
    ASSERT_EQ(h.dao->texts.size(), 1u) << "no probe without the flag";
    EXPECT_EQ(h.dao->texts[0], "INSERT INTO M VALUES(7, NULL, NULL, 18446744071562067968, NULL, '', NULL);");
}

TEST_F(Statements, InsertOfModelWithoutRowIdHasNoProbe) {
    Link link;
    link.L = 3;
    link.P = "pd";
    h.storage().insert(link);
    ASSERT_EQ(h.dao->texts.size(), 1u);
    EXPECT_EQ(h.dao->texts[0], "INSERT INTO K VALUES(3, 'pd');");
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
        {"int zero and negative", with([](Mixed& m) { m.I = 0; }), "0, NULL, 18446744071562067968, NULL, '', NULL"},
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
        {"double nan is not null", with([](Mixed& m) { m.D = std::nan(""); }),
         "NULL, NULL, 18446744071562067968, NULL, '', nan"},
    };
    for (const auto& c : cases) {
        h.dao->texts.clear();
        h.storage().insert(c.model);
        ASSERT_EQ(h.dao->texts.size(), 2u) << c.what;
        EXPECT_EQ(h.dao->texts[1], "INSERT INTO M " + ALL_NULL_MIXED_COLUMNS + " VALUES(" + c.values + ");") << c.what;
    }
}

TEST_F(Statements, IntMinIsNullButOnlyAsSentinel) {
    Row row;
    row.ID = 12;
    h.storage().update(row);
    EXPECT_EQ(h.dao->texts.back(), "UPDATE T SET A=NULL, B=NULL WHERE ID = 12;");
}

TEST_F(Statements, SingleQuotesAreDoubledInValuesListsAndConditions) {
    Mixed m;
    m.S = "O'Brien'); DROP TABLE M; --";
    m.V = {"it's", "x"};
    h.storage().insert(m);
    EXPECT_EQ(h.dao->texts[1], "INSERT INTO M " + ALL_NULL_MIXED_COLUMNS +
                                   " VALUES(NULL, NULL, 18446744071562067968, 'O''Brien''); DROP TABLE M; --', "
                                   "'it''s?x', NULL);");
    h.storage().remove_all<Row>(where(is_equal(&Row::A, std::string("a'b"))));
    EXPECT_EQ(h.dao->texts.back(), "DELETE FROM T WHERE A = 'a''b'");
}

TEST_F(Statements, UpdateTakesIdFromRoleZeroAndKeepsItOutOfSet) {
    Mixed m;
    m.ID = 4;
    m.I = 1;
    m.S = "s";
    h.mixedTable->foreignKeys = true;
    h.storage().update(m);
    ASSERT_EQ(h.dao->texts.size(), 1u);
    EXPECT_EQ(h.dao->texts[0], "PRAGMA foreign_keys = ON; UPDATE M SET I=1, U=NULL, W=18446744071562067968, S='s', "
                               "V='', D=NULL WHERE ID = 4;");
}

TEST_F(Statements, UpdateWithIdAtIntMinOrWithoutRowIdBinding) {
    h.storage().update(Row{});
    EXPECT_EQ(h.dao->texts.back(), "UPDATE T SET A=NULL, B=NULL WHERE ID = -2147483648;");
    h.storage().update(Link{});
    EXPECT_EQ(h.dao->texts.back(), "UPDATE K SET L=NULL, P=NULL WHERE ID = -1;");
}

TEST_F(Statements, GetAllTextWithConjunction) {
    h.storage().get_all<Row>(where(and_condition(is_equal(&Row::ID, 3), is_equal(&Row::B, "localhost"))));
    EXPECT_EQ(h.dao->texts.back(), "SELECT * FROM T  WHERE ( ID = '3') AND ( B = 'localhost')  ");
}

TEST_F(Statements, NestedConjunctionAndQualifiedColumns) {
    const auto storage = h.storage(true);
    storage.remove_all<Row>(where(and_condition(
        and_condition(is_equal(&Row::A, "a"), is_equal(&Row::B, std::string("b"))), is_equal(&Row::ID, -1))));
    EXPECT_EQ(h.dao->texts.back(), "DELETE FROM T WHERE ( ( t.A = 'a') AND ( t.B = 'b') ) AND ( t.ID = '-1') ");
}

TEST_F(Statements, ConditionOnListMember) {
    h.storage().remove_all<Mixed>(where(is_equal(&Mixed::V, "SD")));
    EXPECT_EQ(h.dao->texts.back(), "DELETE FROM M WHERE V = 'SD'");
}

TEST_F(Statements, RemoveAllWithPrefix) {
    h.rowTable->foreignKeys = true;
    h.storage().remove_all<Row>(where(is_equal(&Row::A, "x")));
    EXPECT_EQ(h.dao->texts.back(), "PRAGMA foreign_keys = ON; DELETE FROM T WHERE A = 'x'");
}

TEST_F(Statements, SelectTextPlainAndQualified) {
    h.storage().select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(h.dao->texts.back(), "SELECT ID, B FROM T WHERE A = 'n'");
    h.storage(true).select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(h.dao->texts.back(), "SELECT t.ID, t.B FROM T WHERE t.A = 'n'");
}

TEST_F(Statements, MaxTextIsNeverQualified) {
    h.storage(true).max(&Mixed::U);
    EXPECT_EQ(h.dao->texts.back(), "SELECT MAX(U) FROM M");
}

TEST_F(Statements, ConditionOnOtherIntegerKindsIsQuotedToo) {
    h.storage().remove_all<Mixed>(where(is_equal(&Mixed::U, 18446744071562067968ul)));
    EXPECT_EQ(h.dao->texts.back(), "DELETE FROM M WHERE U = '18446744071562067968'");
}

TEST_F(Statements, ProcessSingleConditionAppends) {
    std::string out = "X";
    h.storage().process_single_condition(out, is_equal(&Row::A, 5));
    EXPECT_EQ(out, "X WHERE A = '5'");
}

TEST_F(Statements, LastOfTwoBindingsOfOneMemberNamesTheColumn) {
    h.rowMap->bind(&Row::A, "Other", 1);
    EXPECT_EQ(h.storage().stringFromExpression(&Row::A), "Other");
}
} // namespace
