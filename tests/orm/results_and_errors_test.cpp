// Result rows back into models and tuples, and the error texts of the query builder.
#include <gtest/gtest.h>

#include <stdexcept>

#include "TestModels.h"

using DatabaseORM::columns;
using DatabaseORM::is_equal;
using DatabaseORM::where;
using DBEXCEPTION::DatabaseException;

namespace {
template <class F> std::string messageOf(F&& f) {
    try {
        f();
    } catch (const DatabaseException& e) {
        return e.what();
    }
    return "(no exception)";
}

class Results : public ::testing::Test {
protected:
    Harness h;
};

TEST_F(Results, CellsGoToTheMembersOfTheirColumns) {
    // Cells come in table column order: S I U V D ID W; NULL leaves the model's default.
    h.dao->answers.push_back({{"text", "-5", "18446744073709551614", "a?b", "2.5", "9", "18446744071562067968"},
                              {"NULL", "NULL", "NULL", "?a??", "NULL", "1", "NULL"},
                              {"NULL", "NULL", "NULL", "", "NULL", "2", "NULL"}});
    const auto models = h.storage().get_all<Mixed>(where(is_equal(&Mixed::S, "x")));
    ASSERT_EQ(models.size(), 3u);
    EXPECT_EQ(models[0].S, "text");
    EXPECT_EQ(models[0].I, -5);
    EXPECT_EQ(models[0].U, 18446744073709551614ul);
    EXPECT_EQ(models[0].V, (std::vector<std::string>{"a", "b"}));
    EXPECT_DOUBLE_EQ(models[0].D, 2.5);
    EXPECT_EQ(models[0].ID, 9);
    EXPECT_EQ(models[0].W, 18446744071562067968ul);

    const Mixed defaults;
    EXPECT_EQ(models[1].S, defaults.S);
    EXPECT_EQ(models[1].I, defaults.I);
    EXPECT_EQ(models[1].U, defaults.U);
    EXPECT_EQ(models[1].D, defaults.D);
    EXPECT_EQ(models[1].W, defaults.W);
    // List cells split at every question mark; an empty cell is the empty list it was written from.
    EXPECT_EQ(models[1].V, (std::vector<std::string>{"", "a", "", ""}));
    EXPECT_TRUE(models[2].V.empty());
}

TEST_F(Results, MalformedCellsRaiseTheStandardConversionErrors) {
    h.dao->answers.push_back({{"NULL", "abc", "NULL", "NULL", "NULL", "1", "NULL"}});
    EXPECT_THROW(h.storage().get_all<Mixed>(where(is_equal(&Mixed::ID, 1))), std::invalid_argument);
    h.dao->answers.push_back({{"NULL", "99999999999", "NULL", "NULL", "NULL", "1", "NULL"}});
    EXPECT_THROW(h.storage().get_all<Mixed>(where(is_equal(&Mixed::ID, 1))), std::out_of_range);
    h.dao->answers.push_back({{"NULL", "NULL", "18446744073709551616", "NULL", "NULL", "1", "NULL"}});
    EXPECT_THROW(h.storage().get_all<Mixed>(where(is_equal(&Mixed::ID, 1))), std::out_of_range);
}

TEST_F(Results, MaxReadsANumberOrZeroAndSelectGivesTuples) {
    h.dao->answers.push_back({{"41"}});
    EXPECT_EQ(h.storage().max(&Row::ID), 41);
    h.dao->answers.push_back({{"NULL"}});
    EXPECT_EQ(h.storage().max(&Row::ID), 0);
    EXPECT_EQ(h.storage().max(&Row::ID), 0) << "no row at all";
    h.dao->answers.push_back({{"18446744071562067968"}});
    EXPECT_EQ(h.storage().max(&Mixed::W), 18446744071562067968ul);

    h.dao->answers.push_back({{"3", "u-1"}, {"4", "NULL"}});
    const auto rows = h.storage().select(columns(&Row::ID, &Row::B), where(is_equal(&Row::A, "n")));
    EXPECT_EQ(rows, (std::vector<std::tuple<int, std::string>>{{3, "u-1"}, {4, "NULL"}}));
}

TEST_F(Results, LookupErrorTexts) {
    const DatabaseORM::storage_t empty(h.dao, {}, {});
    EXPECT_EQ(messageOf([&] { empty.insert(Row{}); }), "Storage query exception thrown! No such model in map exist!");
    EXPECT_EQ(messageOf([&] { empty.update(Row{}); }), "Storage query exception thrown! No such model in map exist.");
    EXPECT_EQ(messageOf([&] { empty.get_all<Row>(where(is_equal(&Row::A, "a"))); }),
              "Storage query exception thrown! No such model in map exist.");
    EXPECT_EQ(messageOf([&] { empty.remove_all<Row>(where(is_equal(&Row::A, "a"))); }),
              "Storage query exception thrown! No such model in map exist.");
    EXPECT_EQ(messageOf([&] { empty.extractAlias<Row>(); }),
              "Storage query exception thrown! No such model map exist.");
    EXPECT_EQ(messageOf([&] { empty.process_where(is_equal(&Row::A, "a")); }),
              "Storage query exception thrown! No such model map exist.");
    EXPECT_EQ(messageOf([&] { empty.stringFromExpression(&Row::A); }),
              "Storage query exception thrown! No such model in map exist.");
    EXPECT_EQ(messageOf([&] { empty.findTableName<Row>(); }), "Empty tableName exception!");
    EXPECT_TRUE(h.dao->texts.empty()) << "no lookup failure reaches the database";
}

TEST_F(Results, MapWithoutTableOrWithoutBinding) {
    const DatabaseORM::storage_t mapOnly(h.dao, {}, {h.rowMap});
    EXPECT_EQ(messageOf([&] { mapOnly.insert(Row{}); }), "Empty tableName exception!");
    EXPECT_EQ(messageOf([&] { mapOnly.max(&Row::ID); }), "Empty tableName exception!");
    h.rowMap->stringFields.clear();
    EXPECT_EQ(messageOf([&] { h.storage().stringFromExpression(&Row::A); }), "Empty colName exception!");
    EXPECT_EQ(messageOf([&] { h.storage().get_all<Row>(where(is_equal(&Row::B, "b"))); }), "Empty colName exception!");
    EXPECT_TRUE(h.dao->texts.empty());
}

TEST_F(Results, DatabaseFailuresAreWrapped) {
    h.dao->failWhenContains = "FROM T";
    EXPECT_EQ(messageOf([&] { h.storage().get_all<Row>(where(is_equal(&Row::A, "a"))); }),
              "Storage query exception thrown! (boom)");
    EXPECT_EQ(messageOf([&] { h.storage().remove_all<Row>(where(is_equal(&Row::A, "a"))); }),
              "Storage query exception thrown! (boom)");
    EXPECT_EQ(messageOf([&] { h.storage().max(&Row::ID); }), "Storage query exception thrown! (boom)");
    EXPECT_EQ(messageOf([&] { h.storage().select(columns(&Row::A), where(is_equal(&Row::A, "a"))); }),
              "Storage query exception thrown! (boom)");
    h.dao->failWhenContains = "UPDATE";
    EXPECT_EQ(messageOf([&] { h.storage().update(Row{}); }), "Storage query exception thrown! (boom)");
    h.dao->failWhenContains = "INSERT";
    EXPECT_EQ(messageOf([&] { h.storage().insert(Link{}); }), "Storage query exception thrown! (boom)");
    // A failed ID probe names the ID and inserts nothing.
    h.dao->failWhenContains = "MAX(";
    h.dao->texts.clear();
    EXPECT_EQ(messageOf([&] { h.storage().insert(Row{}); }),
              "Storage query exception thrown! Cannot read ID from database! (Storage query exception thrown! (boom)");
    EXPECT_EQ(h.dao->texts, std::vector<std::string>{"SELECT MAX(ID) FROM T"});
}

} // namespace
