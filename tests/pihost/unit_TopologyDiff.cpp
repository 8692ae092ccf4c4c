// What watch reports between two topologies.
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

// Each change as kind, identifier (old>new when renumbered) and property code.
std::vector<std::string> Diff(const std::vector<PI::CObject>& before, const std::vector<PI::CObject>& after) {
    std::vector<std::string> out;
    for (const Change& c : DiffTopology(before, after)) {
        const std::string kinds[] = {"added ", "removed ", "renumbered " + std::to_string(c.oldId) + ">", "property "};
        out.push_back(kinds[static_cast<int>(c.kind)] + std::to_string(c.id));
        if (c.kind == Change::Kind::Property)
            out.back() += " " + std::to_string(c.code) + (c.before ? "" : " new") + (c.after ? "" : " gone");
    }
    return out;
}
} // namespace

TEST(TopologyDiff, ChangesBetweenTwoTopologies) {
    const PI::CObject a = Adapter(1, "A", "1.5");
    PI::CObject counted = a;
    counted.m_UpdateCounter += 3;           // counters move all the time; they are no change to report
    counted.m_Properties[0].m_Label = 4711; // nor are display fields
    PI::CObject retyped = a;
    retyped.m_Properties[0].SetValue(std::uint64_t(5));
    PI::CObject reshaped = a;
    reshaped.m_Properties.erase(reshaped.m_Properties.begin() + 1);
    reshaped.m_Properties.push_back(Text(30018, "2.0"));
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
    for (const auto& c : cases)
        EXPECT_EQ(c.changes, Diff(c.before, c.after));
    const std::vector<Change> removed = DiffTopology({a}, {});
    ASSERT_EQ(1u, removed.size());
    EXPECT_EQ("Dorv100 (0)", removed[0].name);
    EXPECT_EQ(ObjectKind::Adapter, removed[0].objectKind);
}
