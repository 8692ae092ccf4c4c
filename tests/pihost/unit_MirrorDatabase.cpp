// The mirror file: where it goes, which files pihost will use, and its rows as typed cells.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "MirrorDatabase.h"

using namespace pihost;

TEST(MirrorDatabase, UsableFilesAndRowsInRowIdOrder) {
    char pattern[] = "/tmp/pihost-unit-XXXXXX";
    ASSERT_NE(nullptr, ::mkdtemp(pattern));
    const std::string path = std::string(pattern) + "/m.db";
    std::string error;
    EXPECT_TRUE(CheckDatabasePath(path, error)) << error;
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                      "CREATE TABLE Plugin(x); CREATE TABLE PD(x); CREATE TABLE PD_LD(x);"
                                      "CREATE TABLE Adapter(ID INTEGER PRIMARY KEY, HostName TEXT, m3 REAL);"
                                      "INSERT INTO Adapter VALUES(2, 'second', 1.5);"
                                      "INSERT INTO Adapter VALUES(1, 'first', NULL);",
                                      nullptr, nullptr, nullptr));
    EXPECT_TRUE(CheckDatabasePath(path, error)) << error;
    std::vector<TableRows> tables;
    EXPECT_FALSE(ReadTables(path, {"Adapter"}, tables, error));
    EXPECT_EQ("'" + path + "' is not a pihost mirror: it has no table LD", error);
    sqlite3_exec(db, "CREATE TABLE LD(x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_TRUE(ReadTables(path, {"Adapter", "LD"}, tables, error)) << error;
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ((std::vector<std::string>{"ID", "HostName", "m3"}), tables[0].columns);
    ASSERT_EQ(2u, tables[0].rows.size());
    EXPECT_EQ("first", tables[0].rows[0][1].text);
    EXPECT_EQ(Cell::Type::Null, tables[0].rows[0][2].type);
    EXPECT_DOUBLE_EQ(1.5, tables[0].rows[1][2].real);
    EXPECT_TRUE(tables[1].rows.empty());
    // The plugin must be able to write its mirror.
    if (::geteuid() != 0) {
        ::chmod(path.c_str(), 0444);
        EXPECT_FALSE(CheckDatabasePath(path, error));
    }
    std::system(("rm -rf '" + std::string(pattern) + "'").c_str());
}

TEST(MirrorDatabase, DefaultPlaceUnderTheStateFolder) {
    std::string error;
    EXPECT_EQ("/s/pidorv/pihost.db", DefaultDatabasePath("/s", "/home/u", error));
    EXPECT_EQ("/home/u/.local/state/pidorv/pihost.db", DefaultDatabasePath("relative", "/home/u", error));
    EXPECT_EQ("/home/u/.local/state/pidorv/pihost.db", DefaultDatabasePath(nullptr, "/home/u", error));
    EXPECT_EQ("", DefaultDatabasePath(nullptr, nullptr, error));
    EXPECT_NE(std::string::npos, error.find("--db"));
}
