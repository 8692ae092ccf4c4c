#include <gtest/gtest.h>

#include <limits>

#include "pi/CProperty.h"
#include "tlx/Xml.h"

using PI::CProperty;

// Each SetValue form replaces the value and its kind.
TEST(PropertyValue, EachSetValueFormGivesItsKind) {
    CProperty p(30007, false);
    EXPECT_EQ(CProperty::NONE, p.Kind());
    p.SetValue(std::uint64_t{42});
    ASSERT_EQ(CProperty::NUMBER_OR_RANGE, p.Kind());
    EXPECT_EQ((PI::CMultiValueData{42, false, 0, 0, 0}), *p.Number());
    p.SetValue(static_cast<const char*>(nullptr));
    ASSERT_EQ(CProperty::STRING, p.Kind());
    EXPECT_EQ("", p.String()->text);
    EXPECT_EQ(nullptr, p.Number());
    p.SetValue(std::int32_t{40024}, std::vector<std::int32_t>{40024, 40150});
    EXPECT_EQ(CProperty::CHOICE, p.Kind());
    p.SetValue(std::int64_t{10}, 2, 255, 1);
    ASSERT_EQ(CProperty::NUMBER_OR_RANGE, p.Kind());
    EXPECT_EQ((PI::CMultiValueData{10, true, 2, 255, 1}), *p.Number());
    p.SetValue(std::vector<std::int32_t>{40267}, std::vector<std::int32_t>{40267, 40266});
    EXPECT_EQ(CProperty::LISTS, p.Kind());
    p.SetValue(std::vector<std::string>{"a", "b"});
    EXPECT_EQ(CProperty::STRINGS, p.Kind());

    TLX::XML::xml_document doc;
    ASSERT_TRUE(doc.load_string("<LogicalDrive Number=\"0\"><Container Number=\"0\"/></LogicalDrive>"));
    p.SetValue(doc);
    ASSERT_EQ(CProperty::XML, p.Kind());
    EXPECT_EQ(doc.save("\t", 1, 0), p.Xml()->xml);
    EXPECT_NE(std::string::npos, p.Xml()->xml.find("<Container Number=\"0\""));
}

// The number fields start "not set" (-1) and the flag at 1, as the host reads them.
TEST(PropertyValue, FreshPropertyHasUnsetNumbersAndFlagOne) {
    const CProperty p(30005, true);
    EXPECT_EQ((std::vector<std::int32_t>{30005, 1, -1, -1, -1, -1, 1, -1}),
              (std::vector<std::int32_t>{p.m_Code, p.m_Changeable, p.m_SubCode, p.m_Label, p.m_Position, p.m_ExtraText,
                                         p.m_Flag, p.m_StatusDisplay}));
}

// Clamped to [minimum, maximum], then rounded down onto the step grid that starts at the minimum.
TEST(PropertyRange, ClampsAndSnapsOntoTheGrid) {
    const auto normalized = [](std::int64_t value, std::int64_t minimum, std::int64_t maximum, std::int64_t step) {
        CProperty p(30005, true);
        p.SetValue(value, minimum, maximum, step);
        return p.GetValueRangeNormalized();
    };
    EXPECT_EQ(30, normalized(30, 2, 255, 1));
    EXPECT_EQ(2, normalized(2, 2, 255, 1));
    EXPECT_EQ(255, normalized(255, 2, 255, 1));
    EXPECT_EQ(2, normalized(1, 2, 255, 1));
    EXPECT_EQ(2, normalized(-7, 2, 255, 1));
    EXPECT_EQ(255, normalized(256, 2, 255, 1));
    EXPECT_EQ(12, normalized(14, 2, 100, 5)); // grid 2, 7, 12, 17, ...
    EXPECT_EQ(17, normalized(17, 2, 100, 5));
    EXPECT_EQ(2, normalized(6, 2, 100, 5));
    EXPECT_EQ(97, normalized(1000, 2, 100, 5)); // the maximum off the grid: the result stays inside
    EXPECT_EQ(-10, normalized(-7, -10, 10, 4)); // negative minimum, grid -10, -6, ...
    EXPECT_EQ(-6, normalized(-3, -10, 10, 4));
    EXPECT_EQ(50, normalized(50, 0, 100, 0)); // no step: clamping only
    EXPECT_EQ(100, normalized(150, 0, 100, -3));
    EXPECT_EQ(5, normalized(9, 5, 1, 1)); // maximum below minimum holds only the minimum
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(highest - 1, normalized(highest, lowest, highest, 2));

    CProperty p(30120, false);
    EXPECT_EQ(0, p.GetValueRangeNormalized());
    p.SetValue(std::uint64_t{77});
    EXPECT_EQ(77, p.GetValueRangeNormalized());
    p.SetValue("77");
    EXPECT_EQ(0, p.GetValueRangeNormalized());
}
