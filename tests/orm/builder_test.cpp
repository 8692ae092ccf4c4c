// The query builder over an access object that records every SQL text and answers from a script.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <deque>
#include <stdexcept>
#include <utility>

#include "db/Database.h"
#include "orm/RaidDataModels.h"

using namespace DatabaseORM;
using DBEXCEPTION::DatabaseException;

namespace {
using Rows = std::vector<std::vector<std::string>>;

struct FakeDAO : DatabaseWrapper::DatabaseDAO {
    std::vector<std::string> texts;
    std::deque<Rows> answers; // one per query, in order; none left answers no rows
    bool fail = false;        // every query throws "boom"

    Rows query(std::string sql) override {
        texts.push_back(sql);
        if (fail) {
            throw DatabaseException("boom");
        }
        Rows rows = answers.empty() ? Rows{} : answers.front();
        answers.erase(answers.begin(), answers.begin() + (answers.empty() ? 0 : 1));
        return rows;
    }
};

struct Row {
    int ID = INT_MIN;
    std::string A = "NULL";
    std::string B = "NULL";
    template <class F> static void forEachField(F&& f) {
        f(&Row::ID, "ID", 0);
        f(&Row::A, "A", 1);
        f(&Row::B, "B", 1);
    }
};

const double NULL_D = static_cast<double>(FLT_MIN);
const unsigned long WIDE = RaidDataModels::WIDENED_INT_MIN;

// Every kind, declared in an order different from the kind order the builder walks.
struct Mixed {
    std::string S = "NULL";
    int I = INT_MIN;
    unsigned long U = ULONG_MAX;
    std::vector<std::string> V;
    double D = NULL_D;
    int ID = INT_MIN;
    unsigned long W = WIDE;
    template <class F> static void forEachField(F&& f) {
        f(&Mixed::S, "S", 1);
        f(&Mixed::I, "I", 1);
        f(&Mixed::U, "U", 1);
        f(&Mixed::V, "V", 1);
        f(&Mixed::D, "D", 1);
        f(&Mixed::ID, "ID", 0);
        f(&Mixed::W, "W", 1);
    }
};
auto tie(const Mixed& m) {
    return std::tie(m.S, m.I, m.U, m.V, m.D, m.ID, m.W);
}

// No row-ID binding at all.
struct Link {
    int L = INT_MIN;
    std::string P = "NULL";
    template <class F> static void forEachField(F&& f) {
        f(&Link::L, "L", 1);
        f(&Link::P, "P", 1);
    }
};

template <class T> std::shared_ptr<RaidDataModels::dbModelFieldsMap<T>> mapOf(const char* alias) {
    auto map = std::make_shared<RaidDataModels::dbModelFieldsMap<T>>();
    map->alias = alias;
    return map;
}

template <class F> std::string messageOf(F&& f) {
    try {
        f();
    } catch (const DatabaseException& e) {
        return e.what();
    }
    return "(no exception)";
}

const std::string MIXED_INSERT = "INSERT INTO M (I, U, W, S, V, D) VALUES(";

class Builder : public ::testing::Test {
protected:
    std::shared_ptr<FakeDAO> dao = std::make_shared<FakeDAO>();
    std::shared_ptr<table_t<Row>> rowTable = makeTable<Row>("T");
    std::shared_ptr<table_t<Mixed>> mixedTable = makeTable<Mixed>("M");
    std::shared_ptr<RaidDataModels::dbModelFieldsMap<Row>> rowMap = mapOf<Row>("t");

    storage_t storage(bool qualify = false) const {
        return storage_t(dao, {rowTable, mixedTable, makeTable<Link>("K")},
                         {rowMap, mapOf<Mixed>("m"), mapOf<Link>("k")}, qualify);
    }
    // The texts sent since the last call.
    std::vector<std::string> sent() { return std::exchange(dao->texts, {}); }
    std::string last() { return sent().back(); }
};

TEST_F(Builder, InsertProbesMaxOnlyWithKeyOmissionAndARowId) {
    rowTable->foreignKeys = true;
    storage().insert(Row{INT_MIN, "x", "localhost"});
    EXPECT_EQ(sent(),
              (std::vector<std::string>{"SELECT MAX(ID) FROM T",
                                        "PRAGMA foreign_keys = ON; INSERT INTO T (A, B) VALUES('x', 'localhost');"}));
    // Without key omission every binding is written in kind order, with no probe.
    mixedTable = makeTable<Mixed>("M", false);
    storage().insert(Mixed{"NULL", 7, ULONG_MAX, {}, NULL_D, INT_MIN, WIDE});
    EXPECT_EQ(sent(),
              std::vector<std::string>{"INSERT INTO M VALUES(7, NULL, NULL, 18446744071562067968, NULL, '', NULL);"});
    storage().insert(Link{3, "pd"});
    EXPECT_EQ(sent(), std::vector<std::string>{"INSERT INTO K VALUES(3, 'pd');"});
}

TEST_F(Builder, ValueTextsOfEveryKind) {
    const std::vector<std::pair<Mixed, std::string>> cases = {
        {Mixed{}, "NULL, NULL, 18446744071562067968, NULL, '', NULL"},
        {Mixed{"O'Brien'); --", -1, ULONG_MAX - 1, {"it's", "x"}, -2.5, INT_MIN, WIDE},
         "-1, 18446744073709551614, 18446744071562067968, 'O''Brien''); --', 'it''s?x', -2.500000"},
        {Mixed{"NULL", INT_MIN, ULONG_MAX, {"NULL"}, std::nan(""), INT_MIN, ULONG_MAX},
         "NULL, NULL, NULL, NULL, NULL, NULL"},
        {Mixed{"", INT_MIN, ULONG_MAX, {}, -HUGE_VAL, INT_MIN, WIDE}, "NULL, NULL, 18446744071562067968, '', '', NULL"},
    };
    for (const auto& [m, values] : cases) {
        storage().insert(m);
        EXPECT_EQ(last(), MIXED_INSERT + values + ");");
    }
}

TEST_F(Builder, UpdateTakesIdFromRoleZeroAndKeepsItOutOfSet) {
    mixedTable->foreignKeys = true;
    storage().update(Mixed{"s", INT_MIN, ULONG_MAX, {}, NULL_D, 4, WIDE});
    EXPECT_EQ(last(), "PRAGMA foreign_keys = ON; UPDATE M SET I=NULL, U=NULL, W=18446744071562067968, S='s', V='', "
                      "D=NULL WHERE ID = 4;");
    // INT_MIN is NULL only as a member value; an ID at INT_MIN or without a binding is still written.
    storage().update(Row{});
    EXPECT_EQ(last(), "UPDATE T SET A=NULL, B=NULL WHERE ID = -2147483648;");
    storage().update(Link{});
    EXPECT_EQ(last(), "UPDATE K SET L=NULL, P=NULL WHERE ID = -1;");
}

TEST_F(Builder, ConditionAndSelectTexts) {
    storage().get_all<Row>(where(and_condition(is_equal(&Row::ID, 3), is_equal(&Row::B, "localhost"))));
    EXPECT_EQ(last(), "SELECT * FROM T  WHERE ( ID = '3') AND ( B = 'localhost')  ");
    storage(true).remove_all<Row>(where(and_condition(
        and_condition(is_equal(&Row::A, "a'b"), is_equal(&Row::B, std::string("b"))), is_equal(&Row::ID, -1))));
    EXPECT_EQ(last(), "DELETE FROM T WHERE ( ( t.A = 'a''b') AND ( t.B = 'b') ) AND ( t.ID = '-1') ");
    // Unsigned values above INT64_MAX go bare, as INSERT writes them; texts and smaller values stay quoted.
    mixedTable->foreignKeys = true;
    storage().remove_all<Mixed>(where(and_condition(is_equal(&Mixed::U, 18446744071562067968ul),
                                                    is_equal(&Mixed::W, std::string("9223372036854775807")))));
    EXPECT_EQ(last(), "PRAGMA foreign_keys = ON; DELETE FROM M WHERE ( U = 18446744071562067968) AND ( W = "
                      "'9223372036854775807') ");
    storage().remove_all<Mixed>(where(is_equal(&Mixed::V, "18446744071562067968")));
    EXPECT_EQ(last(), "PRAGMA foreign_keys = ON; DELETE FROM M WHERE V = '18446744071562067968'");

    storage().select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(last(), "SELECT ID, B FROM T WHERE A = 'n'");
    storage(true).select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(last(), "SELECT t.ID, t.B FROM T WHERE t.A = 'n'");
    storage(true).max(&Mixed::U);
    EXPECT_EQ(last(), "SELECT MAX(U) FROM M");
    rowMap->bind(&Row::A, "Other", 1);
    EXPECT_EQ(storage().stringFromExpression(&Row::A), "Other") << "the last binding of a member names it";
}

TEST_F(Builder, ResultCellsGoToTheMembersOfTheirColumns) {
    // Cells come in table column order S I U V D ID W; NULL leaves the default. List cells split at
    // every question mark; an empty cell is the empty list it was written from.
    dao->answers.push_back({{"text", "-5", "18446744073709551614", "a?b", "2.5", "9", "18446744071562067968"},
                            {"NULL", "NULL", "NULL", "?a??", "NULL", "1", "NULL"},
                            {"NULL", "NULL", "NULL", "", "NULL", "2", "NULL"}});
    const auto models = storage().get_all<Mixed>(where(is_equal(&Mixed::S, "x")));
    ASSERT_EQ(models.size(), 3u);
    const Mixed d;
    EXPECT_EQ(tie(models[0]), std::make_tuple("text", -5, 18446744073709551614ul, std::vector<std::string>{"a", "b"},
                                              2.5, 9, 18446744071562067968ul));
    EXPECT_EQ(tie(models[1]), std::make_tuple(d.S, d.I, d.U, std::vector<std::string>{"", "a", "", ""}, d.D, 1, d.W));
    EXPECT_TRUE(models[2].V.empty());

    dao->answers.push_back({{"NULL", "abc", "NULL", "NULL", "NULL", "1", "NULL"}});
    EXPECT_THROW(storage().get_all<Mixed>(where(is_equal(&Mixed::ID, 1))), std::invalid_argument);
    dao->answers.push_back({{"NULL", "NULL", "18446744073709551616", "NULL", "NULL", "1", "NULL"}});
    EXPECT_THROW(storage().get_all<Mixed>(where(is_equal(&Mixed::ID, 1))), std::out_of_range);

    // Of several bindings of one column name the last one takes the cell, also among enough of them
    // that an unstable sort would reorder them.
    for (int i = 0; i < 32; ++i) {
        rowMap->bind(&Row::B, "A", 1);
    }
    rowMap->bind(&Row::A, "A", 1);
    dao->answers.push_back({{"7", "x", "y"}});
    const Row row = storage().get_all<Row>(where(is_equal(&Row::B, "y"))).at(0);
    EXPECT_EQ(std::make_pair(row.A, row.B), std::make_pair(std::string("x"), std::string("y")));

    dao->answers = {{{"41"}}, {{"NULL"}}, {}, {{"18446744071562067968"}}, {{"3", "u-1"}, {"4", "NULL"}}};
    EXPECT_EQ(storage().max(&Row::ID), 41);
    EXPECT_EQ(storage().max(&Row::ID), 0) << "an empty table";
    EXPECT_EQ(storage().max(&Row::ID), 0) << "no row at all";
    EXPECT_EQ(storage().max(&Mixed::W), 18446744071562067968ul);
    EXPECT_EQ(storage().select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n"))),
              (std::vector<std::tuple<int, std::string>>{{3, "u-1"}, {4, "NULL"}}));
}

TEST_F(Builder, LookupErrorTexts) {
    const storage_t empty(dao, {}, {});
    const std::string inMap = "Storage query exception thrown! No such model in map exist.";
    const std::string noMap = "Storage query exception thrown! No such model map exist.";
    EXPECT_EQ(messageOf([&] { empty.insert(Row{}); }), "Storage query exception thrown! No such model in map exist!");
    EXPECT_EQ(messageOf([&] { empty.update(Row{}); }), inMap);
    EXPECT_EQ(messageOf([&] { empty.get_all<Row>(where(is_equal(&Row::A, "a"))); }), inMap);
    EXPECT_EQ(messageOf([&] { empty.remove_all<Row>(where(is_equal(&Row::A, "a"))); }), inMap);
    EXPECT_EQ(messageOf([&] { empty.stringFromExpression(&Row::A); }), inMap);
    EXPECT_EQ(messageOf([&] { empty.extractAlias<Row>(); }), noMap);
    EXPECT_EQ(messageOf([&] { empty.process_where(is_equal(&Row::A, "a")); }), noMap);
    EXPECT_EQ(messageOf([&] { empty.findTableName<Row>(); }), "Empty tableName exception!");
    const storage_t mapOnly(dao, {}, {rowMap});
    EXPECT_EQ(messageOf([&] { mapOnly.insert(Row{}); }), "Empty tableName exception!");
    EXPECT_EQ(messageOf([&] { mapOnly.max(&Row::ID); }), "Empty tableName exception!");
    rowMap->stringFields.clear();
    EXPECT_EQ(messageOf([&] { storage().get_all<Row>(where(is_equal(&Row::B, "b"))); }), "Empty colName exception!");
    EXPECT_TRUE(dao->texts.empty()) << "no lookup failure reaches the database";
}

TEST_F(Builder, DatabaseFailuresAreWrapped) {
    dao->fail = true;
    EXPECT_EQ(messageOf([&] { storage().get_all<Row>(where(is_equal(&Row::A, "a"))); }),
              "Storage query exception thrown! (boom)");
    // A failed ID probe names the ID and inserts nothing.
    sent();
    EXPECT_EQ(messageOf([&] { storage().insert(Row{}); }),
              "Storage query exception thrown! Cannot read ID from database! (Storage query exception thrown! (boom)");
    EXPECT_EQ(sent(), std::vector<std::string>{"SELECT MAX(ID) FROM T"});
}

} // namespace
