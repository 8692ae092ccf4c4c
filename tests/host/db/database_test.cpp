// The SQLite access object, the mirror schema and the shared storage, on real databases.
#include <boost/algorithm/string/case_conv.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <type_traits>

#include "db/Database.h"
#include "db/SqliteDAO.h"
#include "db/UnsignedLiterals.h"
#include "orm/RaidDataModels.h"

using namespace DatabaseORM;
using DatabaseWrapper::SqliteDAO;
using DBEXCEPTION::DatabaseException;
using ::testing::ThrowsMessage;
namespace M = RaidDataModels;

namespace {
using Rows = std::vector<std::vector<std::string>>;

// A database file in the temporary directory, removed with its WAL companions; the shared storage
// goes back to memory.
struct TempFile {
    ~TempFile() {
        DatabaseWrapper::resetDatabaseForTests();
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::remove((path + suffix).c_str());
        }
    }
    const std::string path = ::testing::TempDir() + "hostdb_test_" + std::to_string(getpid()) + ".db";
};

TEST(SqliteDAO, RunsEveryStatementOfOneTextAndCarriesItsErrors) {
    SqliteDAO dao(":memory:");
    EXPECT_EQ(dao.query("CREATE TABLE t (a INTEGER PRIMARY KEY, b TEXT); INSERT INTO t VALUES(1, NULL);\n"
                        "INSERT INTO t VALUES(2, 'x;y'); SELECT a, b FROM t ORDER BY a; -- done"),
              (Rows{{"1", "NULL"}, {"2", "x;y"}}));
    EXPECT_EQ(dao.query("SELECT 0.1, 1.5, 'NULL'"), (Rows{{"0.1", "1.5", "NULL"}}));
    const std::string two = "INSERT INTO t (b) VALUES(''); SELECT COUNT(*) FROM t;";
    EXPECT_EQ(dao.query(two), (Rows{{"3"}}));
    EXPECT_EQ(dao.query(two), (Rows{{"4"}})) << "a text of several statements runs whole again";
    EXPECT_THAT([&] { dao.query("SELEC 1"); }, ThrowsMessage<DatabaseException>("near \"SELEC\": syntax error"));
    EXPECT_THAT([&] { dao.query("INSERT INTO t VALUES(1, '')"); },
                ThrowsMessage<DatabaseException>("UNIQUE constraint failed: t.a"));
}

TEST(UnsignedLiterals, OnlyBareIntegersAboveInt64MaxChange) {
    using DatabaseWrapper::signedFormOfUnsignedLiterals;
    EXPECT_EQ(signedFormOfUnsignedLiterals("VALUES(18446744071562067968, 9223372036854775807, 9223372036854775808);"),
              "VALUES(-2147483648, 9223372036854775807, -9223372036854775808);");
    EXPECT_EQ(signedFormOfUnsignedLiterals("VALUES(18446744073709551615, 18446744073709551616)"),
              "VALUES(-1, 18446744073709551616)");
    const std::string untouched = "SELECT '18446744071562067968', \"18446744071562067968\", m18446744071562067968, "
                                  "1.18446744071562067968, -18446744071562067968 -- 18446744071562067968\n"
                                  "/* 18446744071562067968 */ 'it''s 18446744071562067968'";
    EXPECT_EQ(signedFormOfUnsignedLiterals(untouched), untouched);
}

// The columns docs/database.md lists under each table's heading: number, name, kind, SQL type, the
// default's text, and the role (0 for the row ID, the one INTEGER PRIMARY KEY).
std::map<std::string, Rows> documentedTables() {
    std::ifstream in(PIDORV_DATABASE_DOC);
    std::map<std::string, Rows> tables;
    std::string table;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("### ", 0) == 0) {
            table = line.substr(4);
        } else if (line.size() > 2 && line[0] == '|' && std::isdigit(static_cast<unsigned char>(line[2]))) {
            std::istringstream cells(line.substr(1));
            std::vector<std::string> row;
            for (std::string cell; row.size() < 5 && std::getline(cells, cell, '|');) {
                row.push_back(cell.substr(1, cell.size() - 2));
            }
            row[1] = row[1].substr(1, row[1].size() - 2); // `name`
            row.push_back(row[3] == "INTEGER PRIMARY KEY" ? "0" : "1");
            tables[table].push_back(row);
        }
    }
    return tables;
}

template <class T> void expectSameExceptId(const T& expected, const T& actual) {
    T::forEachField([&](auto member, const char* name, int role) {
        if (role != 0) {
            EXPECT_EQ(expected.*member, actual.*member) << "column " << name;
        }
    });
}

// The model's members are the documented columns, in order, and its table declares them. A default row,
// then one with distinct values in every member (texts carry what SQL text is made of): the second reads
// back whole by a text member, the default one by its row ID (1) as defaults.
template <class T> void checkLayout(storage_t& db, const Rows& documented) {
    const std::string table = db.findTableName<T>();
    SCOPED_TRACE(table);
    // Each field map carries its table's name in lower case as the alias the host qualifies with.
    EXPECT_EQ(db.extractAlias<T>(), boost::algorithm::to_lower_copy(table));
    const T model;
    T full;
    std::string T::*key = nullptr;
    Rows members;
    Rows columns;
    T::forEachField([&](auto member, const char* name, int role) {
        const auto& value = model.*member;
        auto& sample = full.*member;
        using V = std::decay_t<decltype(value)>;
        const int n = static_cast<int>(members.size()) + 1;
        std::vector<std::string> row = {std::to_string(n), name, "S", "TEXT", "?", std::to_string(role)};
        if constexpr (std::is_same_v<V, int>) {
            row[2] = "I";
            row[3] = role == 0 ? "INTEGER PRIMARY KEY" : "INTEGER";
            row[4] = value != INT_MIN ? std::to_string(value) : role == 0 ? "(assigned by the database)" : "NULL";
            sample = role == 0 ? INT_MIN : -n * 1000;
        } else if constexpr (std::is_same_v<V, unsigned long>) {
            row[2] = "U";
            row[3] = "UNSIGNED BIGINT";
            row[4] = value == ULONG_MAX ? "NULL" : std::to_string(value);
            const unsigned long samples[] = {18446744071562067968ul, 18446744073709551614ul, 0ul,
                                             9223372036854775808ul};
            sample = samples[n % 4];
        } else if constexpr (std::is_same_v<V, std::string>) {
            row[4] = value == "NULL" ? "NULL" : value;
            sample = "v" + std::to_string(n) + " it's; DROP TABLE PD; -- \n'' \"q\" ?";
            key = member;
        } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
            row[2] = "V";
            row[4] = value.empty() ? "'' (empty list)" : "?";
            sample = {"a", "b'c", "d;--"};
        } else {
            row[2] = "D";
            row[3] = "REAL";
            row[4] = value == static_cast<double>(FLT_MIN) ? "NULL" : "?";
            sample = n + 0.25;
        }
        members.push_back(row);
        columns.push_back({name, role == 0 ? "INTEGER" : row[3], role == 0 ? "1" : "0"});
    });
    EXPECT_EQ(members, documented);
    EXPECT_EQ(db.dao()->query("SELECT name, type, pk FROM pragma_table_info('" + table + "')"), columns);
    db.insert(T{});
    db.insert(full);
    ASSERT_NE(key, nullptr);
    const auto rows = db.get_all<T>(where(is_equal(key, full.*key)));
    ASSERT_EQ(rows.size(), 1u);
    expectSameExceptId(full, rows[0]);
    if constexpr (!std::is_same_v<T, M::PD_LD>) {
        EXPECT_EQ(rows[0].ID, 2) << "the database assigns the row ID";
        expectSameExceptId(T{}, db.get_all<T>(where(is_equal(&T::ID, 1))).at(0));
    }
}

TEST(Schema, EveryModelAndTableHasTheDocumentedColumns) {
    auto db = DatabaseWrapper::resetDatabaseForTests();
    auto tables = documentedTables();
    ASSERT_EQ(tables.size(), 5u) << PIDORV_DATABASE_DOC;
    checkLayout<M::Plugin>(*db, tables["Plugin"]);
    checkLayout<M::Adapter>(*db, tables["Adapter"]);
    checkLayout<M::PD>(*db, tables["PD"]);
    checkLayout<M::LD>(*db, tables["LD"]);
    checkLayout<M::PD_LD>(*db, tables["PD_LD"]);
}

// Values above INT64_MAX are stored with the bits of negative integers; MAX, conditions and the
// cells of the column still show the unsigned values. A read-only connection reads but cannot write.
TEST(FileDatabase, UnsignedValuesAboveInt64MaxAndReadOnlyAccess) {
    TempFile file;
    auto db = DatabaseWrapper::openDatabase(file.path);
    EXPECT_EQ(db->dao()->query("PRAGMA journal_mode"), (Rows{{"wal"}}));
    const std::vector<std::pair<std::vector<unsigned long>, unsigned long>> cases = {
        {{}, 0ul},
        {{7ul, 0ul, 5ul}, 7ul},
        {{5ul, 18446744071562067968ul, 18446744073709551614ul, 9223372036854775808ul}, 18446744073709551614ul},
    };
    for (const auto& [ids, max] : cases) {
        for (unsigned long id : ids) {
            M::LD ld;
            ld.ObjectID = id;
            db->insert(ld);
        }
        EXPECT_EQ(db->max(&M::LD::ObjectID), max);
        for (unsigned long id : ids) {
            const std::string digits = std::to_string(id);
            EXPECT_EQ(db->dao()->query("SELECT ObjectID, typeof(ObjectID) FROM LD WHERE ObjectID = " + digits),
                      (Rows{{digits, "integer"}}));
            db->remove_all<M::LD>(where(is_equal(&M::LD::ObjectID, id)));
        }
        EXPECT_EQ(db->dao()->query("SELECT COUNT(*) FROM LD"), (Rows{{"0"}})) << "each delete found its row";
    }
    // A signed column keeps SQLite's own MAX: a negative value does not outrank a positive one.
    for (int number : {-5, 3}) {
        M::LD ld;
        ld.Number = number;
        db->insert(ld);
    }
    EXPECT_EQ(db->max(&M::LD::Number), 3);
    db->insert(M::Plugin{});
    db = DatabaseWrapper::openDatabase(file.path);
    EXPECT_EQ(db->max(&M::Plugin::ID), 0) << "reopening recreates the mirror";
    auto readOnly = DatabaseWrapper::makeStorage(std::make_shared<SqliteDAO>("file:" + file.path + "?mode=ro"));
    EXPECT_EQ(readOnly->max(&M::Plugin::ID), 0) << "reads still work";
    EXPECT_THAT(
        [&] { readOnly->insert(M::Plugin{}); },
        ThrowsMessage<DatabaseException>("Storage query exception thrown! (attempt to write a readonly database)"));
    EXPECT_THROW(DatabaseWrapper::openDatabase("file:" + file.path + "?mode=ro"), DatabaseException);
    // SQLite's own reason, not a stand-in text
    EXPECT_THAT([] { SqliteDAO("/nonexistent-dir/x/y.db"); },
                ThrowsMessage<DatabaseException>(testing::HasSubstr("unable to open database file")));
}
} // namespace
