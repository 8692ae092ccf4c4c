// The SQLite access object, the mirror schema and the shared storage.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <type_traits>

#include "db/SqliteDAO.h"
#include "db/UnsignedLiterals.h"
#include "db/Database.h"
#include "orm/RaidDataModels.h"

using namespace DatabaseORM;
using DatabaseWrapper::SqliteDAO;
using DBEXCEPTION::DatabaseException;
namespace M = RaidDataModels;

namespace {
using Rows = std::vector<std::vector<std::string>>;

template <class F> std::string messageOf(F&& f) {
    try {
        f();
    } catch (const DatabaseException& e) {
        return e.what();
    }
    return "(no exception)";
}

// A database file in the temporary directory, removed with its WAL companions.
class TempFile {
public:
    TempFile() {
        char name[] = "/tmp/hostdb_test_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) {
            close(fd);
        }
        path = name;
    }
    ~TempFile() {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::remove((path + suffix).c_str());
    }
    std::string path;
};

TEST(SqliteDAO, RunsEveryStatementOfOneText) {
    SqliteDAO dao(":memory:");
    const Rows rows = dao.query("CREATE TABLE t (a INTEGER, b TEXT); INSERT INTO t VALUES(1, NULL);\n"
                                "INSERT INTO t VALUES(2, 'x;y'); SELECT a, b FROM t ORDER BY a; -- done");
    EXPECT_EQ(rows, (Rows{{"1", "NULL"}, {"2", "x;y"}}));
    EXPECT_EQ(dao.query("SELECT 0.1, 1.5, 'NULL', NULL"), (Rows{{"0.1", "1.5", "NULL", "NULL"}}));
}

TEST(SqliteDAO, ErrorsCarrySqliteMessage) {
    SqliteDAO dao(":memory:");
    EXPECT_EQ(messageOf([&] { dao.query("SELECT * FROM missing"); }), "no such table: missing");
    EXPECT_EQ(messageOf([&] { dao.query("SELEC 1"); }), "near \"SELEC\": syntax error");
    dao.query("CREATE TABLE t (a INTEGER PRIMARY KEY)");
    EXPECT_EQ(messageOf([&] { dao.query("INSERT INTO t VALUES(1); INSERT INTO t VALUES(1);"); }),
              "UNIQUE constraint failed: t.a");
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

// The layout every row model must have, member by member in declaration order, ten to a group:
// I int, U unsigned long, S std::string, V std::vector<std::string>, D double; i is an int whose
// default is -1, u an unsigned long whose default is INT_MIN widened. rowId: the row-ID member.
struct Layout {
    const char* table;
    const char* kinds;
    int rowId;
};

// The model's kinds in the notation of Layout, from the type and default of each member.
template <class T> std::string kindsOf(const T& model) {
    std::string kinds;
    T::forEachField([&](auto member, const char*, int) {
        if (kinds.size() % 11 == 10) {
            kinds += ' ';
        }
        const auto& value = model.*member;
        using V = std::remove_cv_t<std::remove_reference_t<decltype(value)>>;
        if constexpr (std::is_same_v<V, int>) {
            kinds += value == INT_MIN ? 'I' : value == -1 ? 'i' : '?';
        } else if constexpr (std::is_same_v<V, unsigned long>) {
            kinds += value == ULONG_MAX ? 'U' : value == M::WIDENED_INT_MIN ? 'u' : '?';
        } else if constexpr (std::is_same_v<V, std::string>) {
            kinds += value == "NULL" ? 'S' : '?';
        } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
            kinds += value.empty() ? 'V' : '?';
        } else {
            kinds += value == static_cast<double>(FLT_MIN) ? 'D' : '?';
        }
    });
    return kinds;
}

// The model matches its layout, and column N of its table holds member N: same name, the declared
// type of its kind, the primary key exactly at the row ID.
template <class T> void checkLayout(storage_t& db, const Layout& layout) {
    SCOPED_TRACE(layout.table);
    EXPECT_EQ(kindsOf(T{}), layout.kinds);
    std::vector<std::string> names;
    std::uint64_t previous = 0;
    T::forEachField([&](auto member, const char* name, int role) {
        const std::uint64_t position = RaidDataModels::positionOf(member);
        EXPECT_TRUE(names.empty() || position > previous) << name << " is out of declaration order";
        previous = position;
        names.push_back(name);
        EXPECT_EQ(role == 0, static_cast<int>(names.size()) == layout.rowId) << name;
    });
    std::vector<std::string> types;
    for (const char kind : std::string(layout.kinds)) {
        if (kind != ' ') {
            types.push_back(std::strchr("Ii", kind) ? "INTEGER"
                            : std::strchr("Uu", kind) ? "UNSIGNED BIGINT"
                            : kind == 'D' ? "REAL"
                                          : "TEXT");
        }
    }
    Rows expected;
    for (std::size_t n = 0; n < names.size() && n < types.size(); ++n) {
        expected.push_back({names[n], types[n], static_cast<int>(n) + 1 == layout.rowId ? "1" : "0"});
    }
    EXPECT_EQ(db.dao()->query(std::string("SELECT name, type, pk FROM pragma_table_info('") + layout.table + "')"),
              expected);
}

TEST(Schema, EveryModelAndTableHasTheDefinedMemberKindsInOrder) {
    auto db = DatabaseWrapper::resetDatabaseForTests();
    checkLayout<M::Plugin>(*db, {"Plugin", "ISUSISIISS S", 1});
    checkLayout<M::Adapter>(*db, {"Adapter",
                                  "SVISVSSISS SIISSSSSIS ISSSIIISUI SSSSSISIII ISSSSSSSSS SSISSSSSSI SVIIISSSSS "
                                  "iSIISUUSSI IIIISUSSII IIIISSSIIS IISIISIIIS SISISVISIS SIISSISISS ISSSIISSSV "
                                  "SISISUSSSS I",
                                  74});
    checkLayout<M::PD>(*db, {"PD", "SIVSIUSSII ISSSSIViSI uSIISISSSU IIIIISSIID IIISSSSIII SIUDIIISSS IISIIISSSI", 20});
    checkLayout<M::LD>(*db, {"LD", "ISSIIVSISS SSSSSSSISi SSuISUSIIS SUSSSISSSS VSSISSISII II", 1});
    checkLayout<M::PD_LD>(*db, {"PD_LD", "IISS", 0});
}

TEST(SharedStorage, OneStorageUntilReopened) {
    const auto first = getDatabasePointer();
    ASSERT_TRUE(first);
    EXPECT_EQ(getDatabasePointer(), first);
    first->insert(M::Plugin{});
    const auto fresh = DatabaseWrapper::resetDatabaseForTests();
    EXPECT_NE(fresh, first);
    EXPECT_EQ(getDatabasePointer(), fresh);
    EXPECT_EQ(fresh->max(&M::Plugin::ID), 0) << "a fresh database is empty";
}

TEST(SharedStorage, ReopeningAFileRecreatesTheMirror) {
    TempFile file;
    auto db = DatabaseWrapper::openDatabase(file.path);
    db->insert(M::Plugin{});
    EXPECT_EQ(db->max(&M::Plugin::ID), 1);
    EXPECT_EQ(db->dao()->query("PRAGMA journal_mode"), (Rows{{"wal"}}));
    db = DatabaseWrapper::openDatabase(file.path);
    EXPECT_EQ(db->max(&M::Plugin::ID), 0);
    DatabaseWrapper::resetDatabaseForTests();
}

// Values above INT64_MAX are stored with the bits of negative integers; MAX and conditions must
// still see the unsigned values.
TEST(SharedStorage, UnsignedMaxAndConditionsInAFile) {
    TempFile file;
    auto db = DatabaseWrapper::openDatabase(file.path);
    const std::vector<std::pair<std::vector<unsigned long>, unsigned long>> cases = {
        {{}, 0ul},
        {{5ul, 7ul}, 7ul},
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
            EXPECT_EQ(db->get_all<M::LD>(where(is_equal(&M::LD::ObjectID, id))).size(), 1u) << id;
            db->remove_all<M::LD>(where(is_equal(&M::LD::ObjectID, id)));
        }
        EXPECT_EQ(db->dao()->query("SELECT COUNT(*) FROM LD"), (Rows{{"0"}})) << "each delete found its row";
    }
    DatabaseWrapper::resetDatabaseForTests();
}

TEST(Failures, MissingTableStopsTheInsertAtTheProbe) {
    auto db = DatabaseWrapper::resetDatabaseForTests();
    db->dao()->query("DROP TABLE Plugin");
    EXPECT_EQ(messageOf([&] { db->insert(M::Plugin{}); }),
              "Storage query exception thrown! Cannot read ID from database! (Storage query exception thrown! (no such "
              "table: Plugin)");
    EXPECT_EQ(messageOf([&] { db->update(M::Plugin{}); }), "Storage query exception thrown! (no such table: Plugin)");
    db->dao()->query("DROP TABLE PD_LD");
    EXPECT_EQ(messageOf([&] { db->insert(M::PD_LD{}); }), "Storage query exception thrown! (no such table: PD_LD)");
}

TEST(Failures, ReadOnlyDatabaseRefusesWrites) {
    TempFile file;
    DatabaseWrapper::openDatabase(file.path);
    auto readOnly = DatabaseWrapper::makeStorage(std::make_shared<SqliteDAO>("file:" + file.path + "?mode=ro"));
    EXPECT_EQ(readOnly->max(&M::Plugin::ID), 0) << "reads still work";
    EXPECT_EQ(messageOf([&] { readOnly->insert(M::Plugin{}); }),
              "Storage query exception thrown! (attempt to write a readonly database)");
    EXPECT_THROW(DatabaseWrapper::openDatabase("file:" + file.path + "?mode=ro"), DatabaseException);
    EXPECT_THROW(SqliteDAO("/nonexistent-dir/x/y.db"), DatabaseException);
    DatabaseWrapper::resetDatabaseForTests();
}

TEST(Failures, WriteLockHeldByAnotherConnection) {
    TempFile file;
    auto db = DatabaseWrapper::openDatabase(file.path);
    SqliteDAO holder(file.path);
    holder.query("BEGIN IMMEDIATE; INSERT INTO Plugin (Name) VALUES('holder');");
    auto waiting = DatabaseWrapper::makeStorage(std::make_shared<SqliteDAO>(file.path, 20));
    EXPECT_EQ(messageOf([&] { waiting->insert(M::Plugin{}); }), "Storage query exception thrown! (database is locked)");
    holder.query("COMMIT");
    waiting->insert(M::Plugin{});
    EXPECT_EQ(waiting->max(&M::Plugin::ID), 2);
    DatabaseWrapper::resetDatabaseForTests();
}

TEST(Concurrency, StatementsFromSeveralThreadsAllLand) {
    auto db = DatabaseWrapper::resetDatabaseForTests();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([db, t] {
            M::PD_LD link;
            link.LogicalDriveNumber = t;
            for (link.SlotNumber = 0; link.SlotNumber < 50; ++link.SlotNumber)
                db->insert(link);
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(db->dao()->query("SELECT COUNT(*), COUNT(DISTINCT LogicalDriveNumber) FROM PD_LD"), (Rows{{"200", "4"}}));
}
} // namespace
