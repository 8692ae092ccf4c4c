// pihost's own units: the words of a command line, human and JSON output of what the end-to-end runs cannot make
// the plugin show (every value kind, sizes, unknown codes, events, NULL cells, hostile text), what watch reports
// between two topologies, and the mirror file.
#include <cstdlib>
#include <ctime>
#include <sstream>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "LineSplit.h"
#include "MirrorDatabase.h"
#include "NameParsing.h"
#include "SafeText.h"
#include "TopologyDiff.h"

using namespace pihost;

namespace {
template <typename... Value> PI::CProperty Property(std::int32_t code, Value... value) {
    PI::CProperty p(code, false);
    p.SetValue(value...);
    return p;
}

PI::CProperty Size(std::uint64_t kib) {
    PI::CProperty p = Property(30059, kib); // PHYSICAL_SIZE
    p.m_ExtraText = Codes::EXTRA_TEXT_SIZE;
    return p;
}

PI::CObject Adapter(std::uint64_t id, const std::string& serial, const std::string& firmware) {
    PI::CObject o;
    o.m_ID = id;
    o.m_Type = Codes::TYPE_ADAPTER;
    o.m_Properties = {Property(30007, std::string("Dorv100 (0)")), Property(30020, firmware),
                      Property(Codes::PROPERTY_UNIQUE_ID, serial)};
    return o;
}

// Each change as kind, identifier (old>new when renumbered) and property code.
std::vector<std::string> Diff(const std::vector<PI::CObject>& before, const std::vector<PI::CObject>& after) {
    std::vector<std::string> out;
    for (const Change& c : DiffTopology(before, after)) {
        const std::string kinds[] = {"added ", "removed ", "renumbered " + std::to_string(c.oldId) + ">", "property "};
        out.push_back(kinds[static_cast<int>(c.kind)] + std::to_string(c.id));
        if (c.kind == Change::Kind::Property) {
            out.back() += " " + std::to_string(c.code) + (c.before ? "" : " new") + (c.after ? "" : " gone");
        }
    }
    return out;
}
} // namespace

// The end-to-end runs name the plugin, adapter:N and identifiers; these are the edges.
TEST(NameParsing, ObjectsAndTheirPositions) {
    ObjectRef ref;
    std::string error;
    ASSERT_TRUE(ParseObjectRef("ffffffffffffffff", ref, error));
    EXPECT_EQ(~0ull, ref.id);
    for (const char* bad : {"", "0x", "adapter:", "adapter:x", "adapter:-1", "0x10000000000000000", "drive", "0xg1",
                            "12345678901234567"}) {
        EXPECT_FALSE(ParseObjectRef(bad, ref, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    // Both adapter types count as adapters.
    std::vector<PI::CObject> topology(3);
    topology[0].m_Type = Codes::TYPE_PLUGIN;
    topology[1].m_Type = Codes::TYPE_ADAPTER;
    topology[2].m_Type = Codes::TYPE_ADAPTER_PARSED;
    topology[2].m_ID = 0x12;
    std::uint64_t id = 0;
    ASSERT_TRUE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 1, 0}, topology, id, error));
    EXPECT_EQ(0x12u, id);
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Adapter, 2, 0}, topology, id, error));
    EXPECT_NE(std::string::npos, error.find("2 adapters"));
    EXPECT_FALSE(ResolveObject(ObjectRef{ObjectRef::Kind::Plugin, 0, 0}, {}, id, error));
}

TEST(NameParsing, CodesIntervalsMasksAndTables) {
    using T = CodeNames::Table;
    // 7: refused, the output left as it was.
    const std::tuple<T, const char*, std::int32_t> codes[] = {{T::Property, "poll-interval", 30005},
                                                              {T::Property, "-1", -1},
                                                              {T::Operation, "scan_configuration", 50007},
                                                              {T::Operation, "NAME", 7},
                                                              {T::Property, "2147483648", 7},
                                                              {T::Property, "-", 7}};
    std::string error;
    for (const auto& [table, text, expected] : codes) {
        std::int32_t code = 7;
        EXPECT_EQ(expected != 7, ParseCode(table, text, code, error)) << text;
        EXPECT_EQ(expected, code) << text;
    }
    std::int32_t seconds = 0;
    for (const auto& good : {std::make_pair("2", 2), std::make_pair("255", 255), std::make_pair("030", 30)}) {
        ASSERT_TRUE(ParsePollInterval(good.first, seconds, error)) << good.first;
        EXPECT_EQ(good.second, seconds);
    }
    for (const char* bad : {"1", "256", "30abc", "", " 30", "+5", "3.5", "99999999999999999999"}) {
        EXPECT_FALSE(ParsePollInterval(bad, seconds, error)) << bad;
    }
    for (const char* mask : {"0x1F", "4294967295"}) {
        EXPECT_TRUE(ParseTraceMask(mask, error)) << mask;
    }
    for (const char* mask : {"4294967296", "0x100000000", "0x", "all", ""}) {
        EXPECT_FALSE(ParseTraceMask(mask, error)) << mask;
    }
    for (const char* faults : {" garbage , truncate:0,status:-2147483648,delay:3600000,none", "", "a,,"}) {
        EXPECT_EQ(faults[0] != 'a', ParseFaultList(faults, error)) << faults;
    }
    for (const char* bad :
         {"delay:-5", "status:", "no-controller:1", "delay:3600001", "truncate:-1", "status:2147483648"}) {
        EXPECT_FALSE(ParseFaultList(bad, error)) << bad;
    }
    std::string name;
    ASSERT_TRUE(ParseTableName("pd_ld", name, error));
    EXPECT_EQ("PD_LD", name);
    EXPECT_FALSE(ParseTableName("sqlite_master", name, error));
}

// Unterminated quotes and a trailing backslash are refused with a reason (shown as the one word "refused").
TEST(NameParsing, ShellLinesSplitLikeAShell) {
    const std::pair<const char*, std::vector<std::string>> lines[] = {
        {"  run   adapter\tSCAN_CONFIGURATION  ", {"run", "adapter", "SCAN_CONFIGURATION"}},
        {"get 'plugin' \"NA\"ME a\\ b", {"get", "plugin", "NAME", "a b"}},
        {"x \"say \\\"hi\\\" \\n\" '' 'it''s'", {"x", "say \"hi\" \\n", "", "its"}},
        {"topology # the tree", {"topology"}},
        {"a#b", {"a#b"}},
        {"   ", {}},
        {"get 'plugin", {"refused"}},
        {"get \"plugin", {"refused"}},
        {"get plugin\\", {"refused"}}};
    for (const auto& [line, expected] : lines) {
        std::vector<std::string> words;
        std::string error;
        if (!SplitLine(line, words, error)) {
            words = {error.empty() ? "no reason" : "refused"};
        }
        EXPECT_EQ(expected, words) << line;
    }
}

TEST(Output, ValuesOfEveryKindAsTextAndJson) {
    PI::CProperty ranged(Codes::PROPERTY_POLL_INTERVAL, true);
    ranged.SetValue(std::int64_t(10), std::int64_t(2), std::int64_t(255), std::int64_t(1));
    const struct {
        PI::CProperty property;
        const char* human;
        const char* json; // the value as pihost's JSON writes it (the start of it)
    } rows[] = {
        {Property(30007, std::string("a\"b")), "a\"b", R"("value":{"kind":"string","text":"a\"b"})"},
        {Property(30007, std::string()), "\"\"", ""},
        {ranged, "10 (2..255, step 1)", R"("value":{"kind":"range","value":10,"min":2,"max":255,"step":1)"},
        {Size(512), "512 KiB", ""},
        {Size(60416), "60416 KiB (59.0 MiB)", ""},
        {Size(62914560), "62914560 KiB (60.0 GiB)", ""},
        {Property(30120, std::uint64_t(18446744073709551615ull)), "18446744073709551615",
         R"("value":{"kind":"number","number":18446744073709551615)"},
        {Property(30017, std::int32_t(40150), std::vector<std::int32_t>{40024, 40150, 40095}),
         "WARNING (choices: OK, WARNING, FAILED)", ""},
        {Property(30158, std::int32_t(40278), std::vector<std::int32_t>{40278}), "LINUX_MD", ""},
        {Property(30165, std::vector<std::int32_t>{40267}, std::vector<std::int32_t>{40267, 40266}),
         "LOGICAL_DRIVE_FAILED (allowed: LOGICAL_DRIVE_FAILED, LOGICAL_DRIVE_DEGRADED)", ""},
        {Property(30165, std::vector<std::int32_t>{}, std::vector<std::int32_t>{40267}),
         "none (allowed: LOGICAL_DRIVE_FAILED)",
         R"("value":{"kind":"lists","values":[],"valueNames":[],"allowed":[40267],)"
         R"("allowedNames":["LOGICAL_DRIVE_FAILED"]})"},
        {PI::CProperty(30165, false), "(no value)", ""},
        {Property(30007, std::vector<std::string>{"a", "b"}), "a, b", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.human, FormatValue(row.property));
        const std::string json = JsonDocument("get").Status(0).Property(row.property).Finish();
        EXPECT_NE(std::string::npos, json.find(row.json)) << json;
    }
    EXPECT_EQ(0u, FormatProperty(ranged).find("POLL_INTERVAL *"));
    EXPECT_EQ(0u, FormatProperty(PI::CProperty(99999, false)).find("99999"));
    EXPECT_EQ("4000000000", FormatStatus(4000000000u));
    EXPECT_EQ("49999", CodeLabel(CodeNames::Table::Value, 49999));
}

TEST(Output, EventsAndTables) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    PI::CEvent event(0x0136000000000001ull, 10132, 2, 0, "Dorv100 Dual SD (0)");
    event.SetPlaceHolder1("Dorv100 Dual SD (0)");
    EXPECT_EQ("1970-01-01 00:00:00  SCAN_CONFIGURATION (10132/2) from 0x0136000000000001 \"Dorv100 Dual SD (0)\": "
              "Dorv100 Dual SD (0)",
              FormatEvent(event));

    const TableRows table{
        "Adapter",
        true,
        {"ID", "HostName", "Ratio", "m4"},
        {{{Cell::Type::Integer, 1, 0, ""}, {Cell::Type::Text, 0, 0, "localhost"}, {Cell::Type::Real, 0, 0.5, ""}, {}}}};
    const TableRows missing{"LD", false, {}, {}};
    std::ostringstream out;
    PrintTables(out, {table, missing});
    EXPECT_EQ("Adapter: 1 row\n  row 1\n    ID        1\n    HostName  localhost\n    Ratio     0.5\n"
              "    (1 NULL column not shown)\nLD: no such table\n",
              out.str());
}

TEST(Output, ControllerTextEscapedForTheTerminalRepairedForJson) {
    EXPECT_EQ("a\\x1b[2J\\xc2\\x9b\\\\ \xc3\xbc", Printable("a\x1b[2J\xc2\x9b\\ \xc3\xbc"));
    EXPECT_EQ("\\xc0\\xaf\\xed\\xa0\\x80\\xf4", Printable("\xc0\xaf\xed\xa0\x80\xf4")); // overlong, surrogate, cut
    EXPECT_EQ("ok \xef\xbf\xbd\xef\xbf\xbd \xc3\xbc", ValidUtf8("ok \xc0\xaf \xc3\xbc"));
}

TEST(TopologyDiff, ChangesBetweenTwoTopologies) {
    const PI::CObject a = Adapter(1, "A", "1.5");
    PI::CObject counted = a;
    counted.m_UpdateCounter += 3;           // counters move all the time; they are no change to report
    counted.m_Properties[0].m_Label = 4711; // nor are display fields
    PI::CObject retyped = a;
    retyped.m_Properties[0].SetValue(std::uint64_t(5));
    PI::CObject reshaped = a;
    reshaped.m_Properties.erase(reshaped.m_Properties.begin() + 1);
    reshaped.m_Properties.push_back(Property(30018, std::string("2.0")));
    const struct {
        std::vector<PI::CObject> before;
        std::vector<PI::CObject> after;
        std::vector<std::string> changes;
    } cases[] = {
        {{a}, {counted}, {}},
        {{a}, {Adapter(1, "A", "1.6")}, {"property 1 30020"}},
        {{a}, {retyped}, {"property 1 30007"}},
        {{a}, {reshaped}, {"property 1 30018 new", "property 1 30020 gone"}},
        {{a}, {Adapter(2, "B", "1.5")}, {"removed 1", "added 2"}},
        {{a}, {Adapter(0, "A", "1.6")}, {"renumbered 1>0", "property 0 30020"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.changes, Diff(c.before, c.after));
    }
    const std::vector<Change> removed = DiffTopology({a}, {});
    ASSERT_EQ(1u, removed.size());
    EXPECT_EQ("Dorv100 (0)", removed[0].name);
    EXPECT_EQ(ObjectKind::Adapter, removed[0].objectKind);
}

TEST(MirrorDatabase, UsableFilesAndRowsInRowIdOrder) {
    const std::string path = ::testing::TempDir() + "pihost-unit-mirror.db";
    ::unlink(path.c_str());
    std::string error;
    EXPECT_TRUE(CheckDatabasePath(path, error)) << error;
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    ASSERT_EQ(SQLITE_OK,
              sqlite3_exec(db,
                           "CREATE TABLE Plugin(x); CREATE TABLE PD(x); CREATE TABLE LD(x); CREATE TABLE PD_LD(x);"
                           "CREATE TABLE Adapter(ID INTEGER PRIMARY KEY, HostName TEXT, m3 REAL);"
                           "INSERT INTO Adapter VALUES(2, 'second', 1.5);"
                           "INSERT INTO Adapter VALUES(1, 'first', NULL);",
                           nullptr, nullptr, nullptr));
    EXPECT_TRUE(CheckDatabasePath(path, error)) << error;
    sqlite3_close(db);
    std::vector<TableRows> tables;
    ASSERT_TRUE(ReadTables(path, {"Adapter", "LD", "Nope"}, tables, error)) << error;
    const std::string json = JsonDocument("db").Status(0).Tables(tables).Finish();
    EXPECT_NE(std::string::npos,
              json.find(R"("tables":{"Adapter":[[1,"first",null],[2,"second",1.5]],"LD":[],"Nope":[]},)"
                        R"("columns":{"Adapter":["ID","HostName","m3"],"LD":["x"],"Nope":[]})"))
        << json;
    // The plugin must be able to write its mirror.
    if (::geteuid() != 0) {
        ::chmod(path.c_str(), 0444);
        EXPECT_FALSE(CheckDatabasePath(path, error));
    }
    ::unlink(path.c_str());
}

TEST(MirrorDatabase, DefaultPlaceUnderTheStateFolder) {
    std::string error;
    EXPECT_EQ("/s/pidorv/pihost.db", DefaultDatabasePath("/s", "/home/u", error));
    EXPECT_EQ("/home/u/.local/state/pidorv/pihost.db", DefaultDatabasePath("relative", "/home/u", error));
    EXPECT_EQ("/home/u/.local/state/pidorv/pihost.db", DefaultDatabasePath(nullptr, "/home/u", error));
    EXPECT_EQ("", DefaultDatabasePath(nullptr, nullptr, error));
    EXPECT_NE(std::string::npos, error.find("--db"));
}
