#include <gtest/gtest.h>

#include "HostCodes.h"
#include "TopologyDiff.h"

using namespace pihost;

namespace {
PI::CProperty Text(std::int32_t code, const std::string& text) {
    PI::CProperty p(code, false);
    p.SetValue(text);
    return p;
}

PI::CObject Adapter(std::uint64_t id, const std::string& serial, const std::string& firmware) {
    PI::CObject o;
    o.m_ID = id;
    o.m_Type = Codes::TYPE_ADAPTER;
    o.m_Properties = {Text(30007, "Dorv100 (0)"), Text(30020, firmware), Text(Codes::PROPERTY_UNIQUE_ID, serial)};
    return o;
}

PI::CObject Plugin() {
    PI::CObject o;
    o.m_ID = 0x0136000000000000ull;
    o.m_Type = Codes::TYPE_PLUGIN;
    return o;
}
} // namespace

TEST(TopologyDiff, NothingChanged) {
    const std::vector<PI::CObject> topology = {Plugin(), Adapter(1, "A", "1.5")};
    std::vector<PI::CObject> later = topology;
    later[0].m_UpdateCounter += 3; // counters move all the time; they are no change to report
    EXPECT_TRUE(DiffTopology(topology, later).empty());
}

TEST(TopologyDiff, PropertyValueChanged) {
    const std::vector<Change> changes =
        DiffTopology({Plugin(), Adapter(1, "A", "1.5")}, {Plugin(), Adapter(1, "A", "1.6")});
    ASSERT_EQ(1u, changes.size());
    EXPECT_EQ(Change::Kind::Property, changes[0].kind);
    EXPECT_EQ(1u, changes[0].id);
    EXPECT_EQ(ObjectKind::Adapter, changes[0].objectKind);
    EXPECT_EQ(30020, changes[0].code);
    ASSERT_TRUE(changes[0].before && changes[0].after);
    EXPECT_EQ("1.5", changes[0].before->String()->text);
    EXPECT_EQ("1.6", changes[0].after->String()->text);
}

TEST(TopologyDiff, ValueKindChangeIsAChangeButDisplayFieldsAreNot) {
    PI::CObject before = Adapter(1, "A", "1.5");
    PI::CObject after = before;
    after.m_Properties[0].m_Label = 4711;
    EXPECT_TRUE(DiffTopology({before}, {after}).empty());
    after.m_Properties[0].SetValue(std::uint64_t(5));
    ASSERT_EQ(1u, DiffTopology({before}, {after}).size());
}

TEST(TopologyDiff, PropertiesAppearingAndGoing) {
    PI::CObject before = Adapter(1, "A", "1.5");
    PI::CObject after = before;
    after.m_Properties.erase(after.m_Properties.begin() + 1);
    after.m_Properties.push_back(Text(30018, "2.0"));
    const std::vector<Change> changes = DiffTopology({before}, {after});
    ASSERT_EQ(2u, changes.size());
    EXPECT_EQ(30018, changes[0].code);
    EXPECT_FALSE(changes[0].before);
    EXPECT_EQ(30020, changes[1].code);
    EXPECT_FALSE(changes[1].after);
}

TEST(TopologyDiff, AddedAndRemovedObjects) {
    const std::vector<Change> changes =
        DiffTopology({Plugin(), Adapter(1, "A", "1.5")}, {Plugin(), Adapter(2, "B", "1.5")});
    ASSERT_EQ(2u, changes.size());
    EXPECT_EQ(Change::Kind::Removed, changes[0].kind);
    EXPECT_EQ(1u, changes[0].id);
    EXPECT_EQ("Dorv100 (0)", changes[0].name);
    EXPECT_EQ(Change::Kind::Added, changes[1].kind);
    EXPECT_EQ(2u, changes[1].id);
}

TEST(TopologyDiff, SameUniqueIdUnderNewIdentifierIsRenumbered) {
    const std::vector<Change> changes = DiffTopology({Adapter(1, "A", "1.5")}, {Adapter(0, "A", "1.6")});
    ASSERT_EQ(2u, changes.size());
    EXPECT_EQ(Change::Kind::Renumbered, changes[0].kind);
    EXPECT_EQ(1u, changes[0].oldId);
    EXPECT_EQ(0u, changes[0].id);
    EXPECT_EQ(Change::Kind::Property, changes[1].kind);
    EXPECT_EQ(30020, changes[1].code);
}
