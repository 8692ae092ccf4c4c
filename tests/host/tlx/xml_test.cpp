#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "tlx/Xml.h"

using TLX::Misc::xmlcompare;
using TLX::XML::xml_document;

namespace {
const char* const kConfig = "<Configuration><Container id=\"0\"><Drive slot=\"1\"/><Drive slot=\"2\"/></Container>"
                            "</Configuration>";

pugi::xml_node Container(xml_document& doc) {
    return static_cast<pugi::xml_document*>(doc.native())->child("Configuration").child("Container");
}
} // namespace

TEST(Xml, RoundTripKeepsTheDocument) {
    xml_document doc;
    ASSERT_TRUE(doc.load_string(kConfig));
    const std::string text = doc.save();
    EXPECT_NE(text.find("\n\t<Container id=\"0\">\n\t\t<Drive slot=\"1\" />"), std::string::npos) << text;

    xml_document again;
    ASSERT_TRUE(again.load_string(text.c_str(), 116));
    EXPECT_EQ(again.save(), text);
    EXPECT_TRUE(xmlcompare(doc, again));
    EXPECT_EQ(doc.save("", 4 | 8).find('\n'), std::string::npos); // raw, no declaration
}

TEST(Xml, CompareSeesEveryDifference) {
    xml_document a;
    xml_document b;
    EXPECT_TRUE(xmlcompare(a, b));
    ASSERT_TRUE(a.load_string(kConfig));
    EXPECT_FALSE(xmlcompare(a, b));
    ASSERT_TRUE(b.load_string(kConfig));
    EXPECT_TRUE(xmlcompare(a, b));
    Container(b).attribute("id").set_value("1");
    EXPECT_FALSE(xmlcompare(a, b));
}

TEST(Xml, CopiesAreDeepAndMovedFromDocumentsStayUsable) {
    xml_document original;
    ASSERT_TRUE(original.load_string(kConfig));
    xml_document copy(original);
    xml_document assigned;
    assigned = original;
    Container(copy).remove_child("Drive");
    EXPECT_FALSE(xmlcompare(copy, original));
    EXPECT_TRUE(xmlcompare(assigned, original));

    xml_document moved(std::move(assigned));
    EXPECT_TRUE(xmlcompare(moved, original));
    EXPECT_TRUE(assigned.empty()); // NOLINT(bugprone-use-after-move): a moved-from document stays usable
    EXPECT_TRUE(assigned.load_string(kConfig));
    EXPECT_TRUE(xmlcompare(assigned, original));
}

TEST(Xml, AFailedLoadLeavesAnEmptyDocument) {
    xml_document doc;
    EXPECT_TRUE(doc.empty());
    ASSERT_TRUE(doc.load_string(kConfig));
    EXPECT_FALSE(doc.load_string("<Configuration><open></Configuration>"));
    EXPECT_TRUE(doc.empty());
    EXPECT_FALSE(doc.load_string(nullptr));
    ASSERT_TRUE(doc.load_string(kConfig));
    doc.reset();
    EXPECT_TRUE(doc.empty());
}
