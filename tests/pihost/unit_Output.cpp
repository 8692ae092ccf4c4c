// Human and JSON output of pihost.
#include <cstdlib>
#include <ctime>
#include <sstream>

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "SafeText.h"

using namespace pihost;

namespace {
PI::CProperty Text(std::int32_t code, const std::string& text) {
    PI::CProperty p(code, false);
    p.SetValue(text);
    return p;
}

PI::CProperty Ranged(std::int64_t value) {
    PI::CProperty p(Codes::PROPERTY_POLL_INTERVAL, true);
    p.SetValue(value, std::int64_t(2), std::int64_t(255), std::int64_t(1));
    return p;
}

PI::CProperty Size(std::uint64_t kib) {
    PI::CProperty p(30059, false); // PHYSICAL_SIZE
    p.SetValue(kib);
    p.m_ExtraText = Codes::EXTRA_TEXT_SIZE;
    return p;
}

PI::CObject Adapter(std::uint64_t id, const std::string& firmware) {
    PI::CObject o;
    o.m_ID = id;
    o.m_Type = Codes::TYPE_ADAPTER;
    o.m_Parents = {0x0136000000000000ull};
    o.m_Properties = {Text(30007, "Dorv100 Dual SD (0)"), Text(30020, firmware),
                      Text(Codes::PROPERTY_UNIQUE_ID, "8A3F")};
    PI::COperation raid(50003);
    PI::CLevel level;
    level.m_Level = 40009;
    level.m_StripeSizes = {40049, 40053};
    level.m_DefaultStripeSize = 40053;
    level.m_MinDrives = 2;
    level.m_MaxDrives = 2;
    raid.m_Levels.push_back(level);
    o.m_Operations = {PI::COperation(50007), raid};
    return o;
}

rapidjson::Document Parse(const std::string& text) {
    rapidjson::Document d;
    d.Parse(text.c_str());
    EXPECT_FALSE(d.HasParseError()) << text;
    return d;
}

class EventFormatInUtc : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        saved_ = tz ? tz : "";
        hadTz_ = tz != nullptr;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (hadTz_)
            ::setenv("TZ", saved_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string saved_;
    bool hadTz_ = false;
};
} // namespace

TEST(HumanFormat, IdentifiersStatusesAndSizes) {
    EXPECT_EQ("0x0136000000000001", FormatId(0x0136000000000001ull));
    EXPECT_EQ("0x0000000000000000", FormatId(0));
    EXPECT_EQ("INVALID_OBJECT_ID (20008)", FormatStatus(20008));
    EXPECT_EQ("SUCCESS (0)", FormatStatus(0));
    EXPECT_EQ("4000000000", FormatStatus(4000000000u));
    EXPECT_EQ("60416 KiB (59.0 MiB)", FormatKiB(60416));
    EXPECT_EQ("512 KiB", FormatKiB(512));
    EXPECT_EQ("62914560 KiB (60.0 GiB)", FormatKiB(62914560));
    EXPECT_EQ("RAID1", CodeLabel(CodeNames::Table::Value, 40009));
    EXPECT_EQ("49999", CodeLabel(CodeNames::Table::Value, 49999));
}

TEST(HumanFormat, ValuesOfEveryKind) {
    EXPECT_EQ("Dorv-Plugin", FormatValue(Text(30007, "Dorv-Plugin")));
    EXPECT_EQ("\"\"", FormatValue(Text(30007, "")));
    EXPECT_EQ("10 (2..255, step 1)", FormatValue(Ranged(10)));
    EXPECT_EQ("60416 KiB (59.0 MiB)", FormatValue(Size(60416)));

    PI::CProperty plain(30120, false);
    plain.SetValue(std::uint64_t(3));
    EXPECT_EQ("3", FormatValue(plain));

    PI::CProperty status(30017, false);
    status.SetValue(std::int32_t(40150), std::vector<std::int32_t>{40024, 40150, 40095});
    EXPECT_EQ("WARNING (choices: OK, WARNING, FAILED)", FormatValue(status));
    PI::CProperty hardware(30158, false);
    hardware.SetValue(std::int32_t(40278), std::vector<std::int32_t>{40278});
    EXPECT_EQ("LINUX_MD", FormatValue(hardware));

    PI::CProperty lists(30165, false);
    lists.SetValue(std::vector<std::int32_t>{40267}, std::vector<std::int32_t>{40267, 40266});
    EXPECT_EQ("LOGICAL_DRIVE_FAILED (allowed: LOGICAL_DRIVE_FAILED, LOGICAL_DRIVE_DEGRADED)", FormatValue(lists));
    PI::CProperty none(30165, false);
    EXPECT_EQ("(no value)", FormatValue(none));
    PI::CProperty texts(30007, false);
    texts.SetValue(std::vector<std::string>{"a", "b"});
    EXPECT_EQ("a, b", FormatValue(texts));
}

TEST(HumanFormat, PropertyLineMarksChangeable) {
    const std::string line = FormatProperty(Ranged(30));
    EXPECT_EQ(0u, line.find("POLL_INTERVAL *"));
    EXPECT_NE(std::string::npos, line.find("30 (2..255, step 1)"));
    EXPECT_EQ(0u, FormatProperty(PI::CProperty(99999, false)).find("99999"));
}

TEST(HumanFormat, OperationWithRaidLevel) {
    const std::vector<std::string> lines = FormatOperation(Adapter(1, "1.5").m_Operations[1]);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ("GET_RAID_LEVEL_INFORMATION", lines[0]);
    EXPECT_EQ("  RAID1: stripe sizes 4K, 64K (default 64K), 2 to 2 drives", lines[1]);
}

TEST_F(EventFormatInUtc, EventLine) {
    PI::CEvent event(0x0136000000000001ull, 10132, 2, 0, "Dorv100 Dual SD (0)");
    event.SetPlaceHolder1("Dorv100 Dual SD (0)");
    EXPECT_EQ("1970-01-01 00:00:00  SCAN_CONFIGURATION (10132/2) from 0x0136000000000001 \"Dorv100 Dual SD (0)\": "
              "Dorv100 Dual SD (0)",
              FormatEvent(event));
}

TEST(HumanFormat, TopologyTreeIndentsAdaptersUnderThePlugin) {
    PI::CObject plugin;
    plugin.m_ID = 0x0136000000000000ull;
    plugin.m_Type = Codes::TYPE_PLUGIN;
    plugin.m_Children = {0x0136000000000001ull};
    plugin.m_Properties = {Text(30007, "Dorv-Plugin")};
    plugin.m_Operations = {PI::COperation(50002)};
    std::ostringstream out;
    PrintTopology(out, {plugin, Adapter(0x0136000000000001ull, "1.5")});
    const std::string text = out.str();
    EXPECT_EQ(0u, text.find("plugin 0x0136000000000000")) << text;
    EXPECT_NE(std::string::npos, text.find("\"Dorv-Plugin\"  type 19006, updates 0\n"));
    EXPECT_NE(std::string::npos, text.find("GET_EVENTS"));
    EXPECT_NE(std::string::npos, text.find("adapter 0x0136000000000001     \"Dorv100 Dual SD (0)\"  type 19037"));
    EXPECT_NE(std::string::npos, text.find("FIRMWARE_VERSION           1.5\n"));
    EXPECT_NE(std::string::npos, text.find("GET_RAID_LEVEL_INFORMATION RAID1: stripe sizes 4K, 64K (default 64K)"));
    // The adapter hangs under the plugin: its line starts with the tree's branch.
    const std::size_t adapter = text.find("adapter 0x");
    EXPECT_NE(text.rfind('\n', adapter) + 1, adapter);
}

TEST(HumanFormat, TablesLeaveOutNullCells) {
    TableRows table;
    table.name = "Adapter";
    table.present = true;
    table.columns = {"ID", "HostName", "m3"};
    Cell id;
    id.type = Cell::Type::Integer;
    id.integer = 1;
    Cell host;
    host.type = Cell::Type::Text;
    host.text = "localhost";
    table.rows = {{id, host, Cell()}};
    TableRows missing;
    missing.name = "LD";
    std::ostringstream out;
    PrintTables(out, {table, missing});
    EXPECT_EQ("Adapter: 1 row\n  row 1\n    ID        1\n    HostName  localhost\n    (1 NULL column not shown)\n"
              "LD: no such table\n",
              out.str());
}

TEST(JsonFormat, DocumentHeadAndProperty) {
    const rapidjson::Document d = Parse(JsonDocument("get").Status(20008).Property(Ranged(10)).Finish());
    ASSERT_TRUE(d["format"].IsArray());
    EXPECT_EQ(1, d["format"][0].GetInt());
    EXPECT_EQ(1, d["format"][1].GetInt());
    EXPECT_STREQ("get", d["command"].GetString());
    EXPECT_EQ(20008, d["status"].GetInt());
    EXPECT_STREQ("INVALID_OBJECT_ID", d["statusName"].GetString());
    const auto& p = d["property"];
    EXPECT_EQ(30005, p["code"].GetInt());
    EXPECT_STREQ("POLL_INTERVAL", p["name"].GetString());
    EXPECT_TRUE(p["changeable"].GetBool());
    EXPECT_EQ(-1, p["subCode"].GetInt());
    EXPECT_EQ(1, p["flag"].GetInt());
    EXPECT_STREQ("range", p["value"]["kind"].GetString());
    EXPECT_EQ(10, p["value"]["value"].GetInt());
    EXPECT_EQ(2, p["value"]["min"].GetInt());
    EXPECT_EQ(255, p["value"]["max"].GetInt());
    EXPECT_EQ(1, p["value"]["step"].GetInt());
}

TEST(JsonFormat, ValueKinds) {
    PI::CProperty choice(30017, false);
    choice.SetValue(std::int32_t(40024), std::vector<std::int32_t>{40024, 40150});
    PI::CProperty lists(30165, false);
    lists.SetValue(std::vector<std::int32_t>{}, std::vector<std::int32_t>{40267});
    PI::CProperty number(30120, false);
    number.SetValue(std::uint64_t(18446744073709551615ull));
    const rapidjson::Document d =
        Parse(JsonDocument("properties").Status(0).Properties({Text(30007, "a\"b"), choice, lists, number}).Finish());
    const auto& list = d["properties"];
    ASSERT_EQ(4u, list.Size());
    EXPECT_STREQ("string", list[0]["value"]["kind"].GetString());
    EXPECT_STREQ("a\"b", list[0]["value"]["text"].GetString());
    EXPECT_STREQ("choice", list[1]["value"]["kind"].GetString());
    EXPECT_EQ(40024, list[1]["value"]["value"].GetInt());
    EXPECT_EQ(2u, list[1]["value"]["choices"].Size());
    EXPECT_STREQ("lists", list[2]["value"]["kind"].GetString());
    EXPECT_EQ(0u, list[2]["value"]["values"].Size());
    EXPECT_EQ(40267, list[2]["value"]["allowed"][0].GetInt());
    EXPECT_STREQ("number", list[3]["value"]["kind"].GetString());
    EXPECT_EQ(18446744073709551615ull, list[3]["value"]["number"].GetUint64());
}

TEST(JsonFormat, ObjectsWithOperationsAndLevels) {
    const rapidjson::Document d =
        Parse(JsonDocument("topology").Status(0).Objects({Adapter(0x0136000000000001ull, "1.5")}).Finish());
    const auto& o = d["objects"][0];
    EXPECT_STREQ("0x0136000000000001", o["id"].GetString());
    EXPECT_EQ(19037, o["type"].GetInt());
    EXPECT_STREQ("0x0136000000000000", o["parents"][0].GetString());
    EXPECT_EQ(0u, o["children"].Size());
    EXPECT_FALSE(o["locked"].GetBool());
    EXPECT_EQ(3u, o["properties"].Size());
    const auto& raid = o["operations"][1];
    EXPECT_STREQ("GET_RAID_LEVEL_INFORMATION", raid["name"].GetString());
    EXPECT_EQ(6u, raid["block"].Size());
    EXPECT_EQ(40009, raid["levels"][0]["level"].GetInt());
    EXPECT_EQ(40053, raid["levels"][0]["defaultStripeSize"].GetInt());
    EXPECT_EQ(2, raid["levels"][0]["minDrives"].GetInt());
    EXPECT_TRUE(raid["events"].IsArray());
    EXPECT_TRUE(raid["logicalDrives"].IsArray());
}

TEST(JsonFormat, WatchLinesCarryNoStatus) {
    PI::CEvent event(0x0136000000000001ull, 10132, 2, 1700000000, "A");
    event.SetPlaceHolder2("0");
    const rapidjson::Document e = Parse(JsonDocument("watch").Event(event).Finish());
    EXPECT_FALSE(e.HasMember("status"));
    EXPECT_STREQ("0x0136000000000001", e["event"]["source"].GetString());
    EXPECT_STREQ("SCAN_CONFIGURATION", e["event"]["name"].GetString());
    EXPECT_EQ(1700000000, e["event"]["time"].GetInt64());
    EXPECT_STREQ("0", e["event"]["placeholder2"].GetString());

    Change change;
    change.kind = Change::Kind::Property;
    change.id = 5;
    change.code = 30020;
    change.after = Text(30020, "1.6");
    const rapidjson::Document c = Parse(JsonDocument("watch").ChangeItem(change).Finish());
    EXPECT_STREQ("property", c["change"]["kind"].GetString());
    EXPECT_STREQ("FIRMWARE_VERSION", c["change"]["property"].GetString());
    EXPECT_TRUE(c["change"]["before"].IsNull());
    EXPECT_STREQ("1.6", c["change"]["after"]["text"].GetString());
}

TEST(JsonFormat, TablesAsRowsOfTypedCells) {
    TableRows table;
    table.name = "Plugin";
    table.present = true;
    table.columns = {"ID", "Name", "Ratio", "m4"};
    Cell id;
    id.type = Cell::Type::Integer;
    id.integer = 7;
    Cell name;
    name.type = Cell::Type::Text;
    name.text = "Dorv-Plugin";
    Cell ratio;
    ratio.type = Cell::Type::Real;
    ratio.real = 0.5;
    table.rows = {{id, name, ratio, Cell()}};
    TableRows empty;
    empty.name = "LD";
    const rapidjson::Document d = Parse(JsonDocument("db").Status(0).Tables({table, empty}).Finish());
    const auto& row = d["tables"]["Plugin"][0];
    EXPECT_EQ(7, row[0].GetInt());
    EXPECT_STREQ("Dorv-Plugin", row[1].GetString());
    EXPECT_DOUBLE_EQ(0.5, row[2].GetDouble());
    EXPECT_TRUE(row[3].IsNull());
    EXPECT_EQ(0u, d["tables"]["LD"].Size());
}

TEST(SafeText, EscapedForTheTerminalRepairedForJson) {
    EXPECT_EQ("a\\x1b[2J\\xc2\\x9b\\\\ \xc3\xbc", Printable("a\x1b[2J\xc2\x9b\\ \xc3\xbc"));
    EXPECT_EQ("\\xc0\\xaf\\xed\\xa0\\x80\\xf4", Printable("\xc0\xaf\xed\xa0\x80\xf4")); // overlong, surrogate, cut
    EXPECT_EQ("ok \xef\xbf\xbd\xef\xbf\xbd \xc3\xbc", ValidUtf8("ok \xc0\xaf \xc3\xbc"));
}
