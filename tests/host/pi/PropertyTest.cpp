#include <gtest/gtest.h>

#include <limits>

#include "pi/CProperty.h"
#include "tlx/Xml.h"

using PI::CProperty;

TEST(PropertyValue, EachSetValueFormGivesItsKind) {
    CProperty p(30007, false);
    EXPECT_EQ(CProperty::NONE, p.Kind());

    p.SetValue(std::uint64_t{42});
    ASSERT_EQ(CProperty::NUMBER_OR_RANGE, p.Kind());
    EXPECT_EQ(42u, p.Number()->value);
    EXPECT_FALSE(p.Number()->ranged);

    p.SetValue(std::string("Dorv-Plugin"));
    ASSERT_EQ(CProperty::STRING, p.Kind());
    EXPECT_EQ("Dorv-Plugin", p.String()->text);
    EXPECT_EQ(nullptr, p.Number());

    p.SetValue("Linux");
    ASSERT_NE(nullptr, p.String());
    EXPECT_EQ("Linux", p.String()->text);
    p.SetValue(static_cast<const char*>(nullptr));
    ASSERT_NE(nullptr, p.String());
    EXPECT_EQ("", p.String()->text);

    p.SetValue(std::int32_t{40024}, std::vector<std::int32_t>{40024, 40150, 40095});
    ASSERT_EQ(CProperty::CHOICE, p.Kind());
    EXPECT_EQ(40024, p.Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40024, 40150, 40095}), p.Choice()->choices);

    p.SetValue(std::int64_t{10}, 2, 255, 1);
    ASSERT_EQ(CProperty::NUMBER_OR_RANGE, p.Kind());
    EXPECT_TRUE(p.Number()->ranged);
    EXPECT_EQ(2, p.Number()->minimum);
    EXPECT_EQ(255, p.Number()->maximum);
    EXPECT_EQ(1, p.Number()->step);

    p.SetValue(std::vector<std::int32_t>{40267}, std::vector<std::int32_t>{40267, 40266});
    ASSERT_EQ(CProperty::LISTS, p.Kind());
    EXPECT_EQ(std::vector<std::int32_t>{40267}, p.Lists()->values);
    EXPECT_EQ((std::vector<std::int32_t>{40267, 40266}), p.Lists()->allowed);

    p.SetValue(std::vector<std::string>{"a", "b"});
    ASSERT_EQ(CProperty::STRINGS, p.Kind());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), p.Strings()->texts);
}

TEST(PropertyValue, XmlValueHoldsTheSerialisedDocument) {
    TLX::XML::xml_document doc;
    ASSERT_TRUE(doc.load_string("<LogicalDrive Number=\"0\"><Container Number=\"0\"/></LogicalDrive>"));
    CProperty p(30496, false);
    p.SetValue(doc);
    ASSERT_EQ(CProperty::XML, p.Kind());
    EXPECT_EQ(doc.save("\t", 1, 0), p.Xml()->xml);
    EXPECT_NE(std::string::npos, p.Xml()->xml.find("<Container Number=\"0\""));
}

TEST(PropertyValue, FreshPropertyHasUnsetNumbersAndFlagOne) {
    const CProperty p(30005, true);
    EXPECT_EQ(30005, p.m_Code);
    EXPECT_TRUE(p.m_Changeable);
    EXPECT_EQ(-1, p.m_SubCode);
    EXPECT_EQ(-1, p.m_Label);
    EXPECT_EQ(-1, p.m_Position);
    EXPECT_EQ(-1, p.m_ExtraText);
    EXPECT_EQ(1, p.m_Flag);
    EXPECT_EQ(-1, p.m_StatusDisplay);
}

namespace {
std::int64_t normalized(std::int64_t value, std::int64_t minimum, std::int64_t maximum, std::int64_t step) {
    CProperty p(30005, true);
    p.SetValue(value, minimum, maximum, step);
    return p.GetValueRangeNormalized();
}
} // namespace

TEST(PropertyRange, InsideTheRangeOnTheGridStaysAsItIs) {
    EXPECT_EQ(30, normalized(30, 2, 255, 1));
    EXPECT_EQ(2, normalized(2, 2, 255, 1));
    EXPECT_EQ(255, normalized(255, 2, 255, 1));
}

TEST(PropertyRange, OutOfRangeIsClamped) {
    EXPECT_EQ(2, normalized(1, 2, 255, 1));
    EXPECT_EQ(2, normalized(-7, 2, 255, 1));
    EXPECT_EQ(255, normalized(256, 2, 255, 1));
    EXPECT_EQ(255, normalized(100000, 2, 255, 1));
}

TEST(PropertyRange, OffGridRoundsDownOntoTheGridFromTheMinimum) {
    EXPECT_EQ(12, normalized(14, 2, 100, 5)); // grid 2, 7, 12, 17, ...
    EXPECT_EQ(17, normalized(17, 2, 100, 5));
    EXPECT_EQ(2, normalized(6, 2, 100, 5));
    // The maximum off the grid: clamping then snapping stays inside the range.
    EXPECT_EQ(97, normalized(1000, 2, 100, 5));
    EXPECT_EQ(-10, normalized(-7, -10, 10, 4)); // negative minimum, grid -10, -6, ...
    EXPECT_EQ(-6, normalized(-3, -10, 10, 4));
}

TEST(PropertyRange, DegenerateRangesAndSteps) {
    EXPECT_EQ(50, normalized(50, 0, 100, 0)); // no step: clamping only
    EXPECT_EQ(100, normalized(150, 0, 100, -3));
    EXPECT_EQ(5, normalized(9, 5, 1, 1)); // maximum below minimum holds only the minimum
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(highest - 1, normalized(highest, lowest, highest, 2));
}

TEST(PropertyRange, PlainNumberAndOtherKinds) {
    CProperty p(30120, false);
    EXPECT_EQ(0, p.GetValueRangeNormalized());
    p.SetValue(std::uint64_t{77});
    EXPECT_EQ(77, p.GetValueRangeNormalized());
    p.SetValue("77");
    EXPECT_EQ(0, p.GetValueRangeNormalized());
}

TEST(PropertyEquality, ComparesEveryFieldAndTheValue) {
    CProperty a(30005, true);
    a.SetValue(std::int64_t{10}, 2, 255, 1);
    a.m_Label = 23335;
    a.m_ExtraText = 21007;
    CProperty b = a;
    EXPECT_EQ(a, b);

    b.m_Flag = 0;
    EXPECT_NE(a, b);
    b = a;
    b.m_StatusDisplay = 24000;
    EXPECT_NE(a, b);
    b = a;
    b.m_Changeable = false;
    EXPECT_NE(a, b);
    b = a;
    b.SetValue(std::int64_t{10}, 2, 255, 2);
    EXPECT_NE(a, b);
    b = a;
    b.SetValue(std::uint64_t{10}); // same number, but not ranged
    EXPECT_NE(a, b);

    CProperty text(30007, false), number(30007, false);
    text.SetValue("0");
    number.SetValue(std::uint64_t{0});
    EXPECT_NE(text, number);
}
