// JSON and XML documents: what only these tests reach (the plugin's parse tests read the rest).
#include <gtest/gtest.h>

#include <functional>

#include <pugixml.hpp>

#include "tlx/Json.h"
#include "tlx/Xml.h"

using TLX::Json::TJsonObject;
using TLX::Misc::xmlcompare;
using TLX::XML::xml_document;

namespace {
// The message of the TJsonException thrown by `action`, or "" when none is thrown.
std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TLX::Json::TJsonException& e) {
        return e.what();
    }
    return "";
}
} // namespace

TEST(Json, NestingLimitTypeCodesAndCompactText) {
    const auto nested = [](unsigned depth) { return std::string(depth - 1, '[') + "{}" + std::string(depth - 1, ']'); };
    const TJsonObject root = TJsonObject::constructFromParse(R"({"V":1,"N":5000000000,"A":[{"B":"x"}]})");
    const std::pair<std::function<void()>, const char*> rows[] = {
        {[&] { TJsonObject::constructFromParse(nested(64)); }, ""},
        {[&] { TJsonObject::constructFromParse(nested(65)); },
         "JSON parse error: nested deeper than 64 levels (offset 64)"},
        {[] { TJsonObject::constructFromParse("{\"a\": }"); }, "JSON parse error: Invalid value. (offset 6)"},
        {[&] { root.findMember("V", 3); }, ""},
        {[&] { root.findMember("N", 3); }, "JSON member 'N' is not an integer"}, // integers are signed 32-bit
        {[&] { root.findMember("V", 4); }, "JSON member 'V' asked for with unknown type 4"},
        {[&] { root.findMember("A", 1).findMember("B", 2); },
         "JSON member 'B' looked up in a value that is not an object"},
    };
    for (const auto& [action, error] : rows) {
        EXPECT_EQ(error, ErrorOf(action));
    }
    const TJsonObject spaced = TJsonObject::constructFromParse("{ \"a\" : [ 1 , \"x\\u0000y\" ], \"b\": {} }");
    EXPECT_EQ(R"({"a":[1,"x\u0000y"],"b":{}})", TLX::Json::JSONToString(*spaced.jsonDoc_Get()));
}

// Compare sees a changed attribute and a removed child; a failed load leaves the document empty.
TEST(Xml, CompareSeesEveryDifferenceAndFailedLoadsEmpty) {
    xml_document original;
    ASSERT_TRUE(original.load_string("<Configuration><Container id=\"0\"><Drive slot=\"1\"/></Container>"
                                     "</Configuration>"));
    xml_document copy(original);
    xml_document other;
    EXPECT_TRUE(xmlcompare(original, copy) && !xmlcompare(original, other) && xmlcompare(other, xml_document()));
    static_cast<pugi::xml_document*>(copy.native())->first_child().first_child().attribute("id").set_value("1");
    EXPECT_FALSE(xmlcompare(copy, original));
    other = original;
    static_cast<pugi::xml_document*>(other.native())->first_child().first_child().remove_child("Drive");
    EXPECT_FALSE(xmlcompare(other, original));
    EXPECT_FALSE(copy.load_string("<Configuration><open></Configuration>"));
    EXPECT_FALSE(original.load_string(nullptr));
    EXPECT_TRUE(copy.empty() && original.empty());
}
