#include <cstdio>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "MirrorDatabase.h"

using namespace pihost;

namespace {
class MirrorDatabaseFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pihost-unit-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_;
};

void Exec(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
    sqlite3_close(db);
}
} // namespace

TEST_F(MirrorDatabaseFile, UsablePathsAreAcceptedAndCreated) {
    std::string error;
    EXPECT_TRUE(CheckDatabasePath(dir_ + "/new.db", error)) << error;
    EXPECT_EQ(0, ::access((dir_ + "/new.db").c_str(), F_OK));
    Exec(dir_ + "/old.db", "CREATE TABLE t(x)");
    EXPECT_TRUE(CheckDatabasePath(dir_ + "/old.db", error)) << error;
}

TEST_F(MirrorDatabaseFile, UnusablePathsAreRefused) {
    std::string error;
    EXPECT_FALSE(CheckDatabasePath(dir_, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CheckDatabasePath(dir_ + "/no/such/folder/x.db", error));
    std::ofstream(dir_ + "/garbage.db") << "this is not an SQLite database, not even close to one...........";
    EXPECT_FALSE(CheckDatabasePath(dir_ + "/garbage.db", error));
    if (::geteuid() != 0) {
        Exec(dir_ + "/ro.db", "CREATE TABLE t(x)");
        ::chmod((dir_ + "/ro.db").c_str(), 0444);
        EXPECT_FALSE(CheckDatabasePath(dir_ + "/ro.db", error));
    }
}

TEST_F(MirrorDatabaseFile, ReadsRowsInRowIdOrderWithTypedCells) {
    const std::string path = dir_ + "/m.db";
    Exec(path, "CREATE TABLE Plugin(x); CREATE TABLE PD(x); CREATE TABLE PD_LD(x);"
               "CREATE TABLE Adapter(ID INTEGER PRIMARY KEY, HostName TEXT, m3 REAL, m4 TEXT);"
               "INSERT INTO Adapter VALUES(2, 'second', 1.5, NULL);"
               "INSERT INTO Adapter VALUES(1, 'first', NULL, 'x');");
    std::vector<TableRows> tables;
    std::string error;
    EXPECT_FALSE(ReadTables(path, {"Adapter"}, tables, error));
    EXPECT_EQ("'" + path + "' is not a pihost mirror: it has no table LD", error);
    Exec(path, "CREATE TABLE LD(x)");
    ASSERT_TRUE(ReadTables(path, {"Adapter", "LD"}, tables, error)) << error;
    ASSERT_EQ(2u, tables.size());
    const TableRows& adapter = tables[0];
    EXPECT_TRUE(adapter.present);
    EXPECT_EQ((std::vector<std::string>{"ID", "HostName", "m3", "m4"}), adapter.columns);
    ASSERT_EQ(2u, adapter.rows.size());
    EXPECT_EQ(1, adapter.rows[0][0].integer);
    EXPECT_EQ("first", adapter.rows[0][1].text);
    EXPECT_EQ(Cell::Type::Null, adapter.rows[0][2].type);
    EXPECT_EQ(Cell::Type::Real, adapter.rows[1][2].type);
    EXPECT_DOUBLE_EQ(1.5, adapter.rows[1][2].real);
    EXPECT_TRUE(tables[1].rows.empty());
}

TEST(MirrorPlace, DefaultUnderTheStateFolder) {
    std::string error;
    EXPECT_EQ("/s/pidorv/pihost.db", DefaultDatabasePath("/s", "/home/u", error));
    EXPECT_EQ("/home/u/.local/state/pidorv/pihost.db", DefaultDatabasePath("relative", "/home/u", error));
    EXPECT_EQ("/home/u/.local/state/pidorv/pihost.db", DefaultDatabasePath(nullptr, "/home/u", error));
    EXPECT_EQ("", DefaultDatabasePath(nullptr, nullptr, error));
    EXPECT_NE(std::string::npos, error.find("--db"));
}
