// Human and JSON output of what the end-to-end runs cannot make the plugin show: every value kind, sizes,
// unknown codes, events, NULL cells and hostile text.
#include <cstdlib>
#include <ctime>
#include <sstream>

#include <gtest/gtest.h>

#include "Format.h"
#include "HostCodes.h"
#include "JsonOut.h"
#include "SafeText.h"

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
} // namespace

TEST(Output, ValuesOfEveryKindAsTextAndJson) {
    PI::CProperty ranged(Codes::PROPERTY_POLL_INTERVAL, true);
    ranged.SetValue(std::int64_t(10), std::int64_t(2), std::int64_t(255), std::int64_t(1));
    const std::vector<std::int32_t> statuses = {40024, 40150, 40095};
    const struct {
        PI::CProperty property;
        const char* human;
        const char* json; // the value as pihost's JSON writes it (the start of it)
    } rows[] = {
        {Property(30007, std::string("a\"b")), "a\"b", R"("value":{"kind":"string","text":"a\"b"})"},
        {Property(30007, std::string()), "\"\"", nullptr},
        {ranged, "10 (2..255, step 1)", R"("value":{"kind":"range","value":10,"min":2,"max":255,"step":1)"},
        {Size(512), "512 KiB", nullptr},
        {Size(60416), "60416 KiB (59.0 MiB)", nullptr},
        {Size(62914560), "62914560 KiB (60.0 GiB)", nullptr},
        {Property(30120, std::uint64_t(18446744073709551615ull)), "18446744073709551615",
         R"("value":{"kind":"number","number":18446744073709551615)"},
        {Property(30017, std::int32_t(40150), statuses), "WARNING (choices: OK, WARNING, FAILED)", nullptr},
        {Property(30158, std::int32_t(40278), std::vector<std::int32_t>{40278}), "LINUX_MD", nullptr},
        {Property(30165, std::vector<std::int32_t>{40267}, std::vector<std::int32_t>{40267, 40266}),
         "LOGICAL_DRIVE_FAILED (allowed: LOGICAL_DRIVE_FAILED, LOGICAL_DRIVE_DEGRADED)", nullptr},
        {Property(30165, std::vector<std::int32_t>{}, std::vector<std::int32_t>{40267}), "",
         R"("value":{"kind":"lists","values":[],"valueNames":[],"allowed":[40267],)"
         R"("allowedNames":["LOGICAL_DRIVE_FAILED"]})"},
        {PI::CProperty(30165, false), "(no value)", nullptr},
        {Property(30007, std::vector<std::string>{"a", "b"}), "a, b", nullptr},
    };
    for (const auto& row : rows) {
        if (*row.human) {
            EXPECT_EQ(row.human, FormatValue(row.property));
        }
        if (row.json) {
            EXPECT_NE(std::string::npos, JsonDocument("get").Status(0).Property(row.property).Finish().find(row.json))
                << JsonDocument("get").Status(0).Property(row.property).Finish();
        }
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
    const std::string json = JsonDocument("db").Status(0).Tables({table, missing}).Finish();
    EXPECT_NE(std::string::npos, json.find(R"("tables":{"Adapter":[[1,"localhost",0.5,null]],"LD":[]})")) << json;
}

TEST(Output, ControllerTextEscapedForTheTerminalRepairedForJson) {
    EXPECT_EQ("a\\x1b[2J\\xc2\\x9b\\\\ \xc3\xbc", Printable("a\x1b[2J\xc2\x9b\\ \xc3\xbc"));
    EXPECT_EQ("\\xc0\\xaf\\xed\\xa0\\x80\\xf4", Printable("\xc0\xaf\xed\xa0\x80\xf4")); // overlong, surrogate, cut
    EXPECT_EQ("ok \xef\xbf\xbd\xef\xbf\xbd \xc3\xbc", ValidUtf8("ok \xc0\xaf \xc3\xbc"));
}
