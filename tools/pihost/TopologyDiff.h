// What changed between two topologies, as watch reports it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ObjectKind.h"
#include "pi/CObject.h"

namespace pihost {

struct Change {
    enum class Kind { Added, Removed, Renumbered, Property };
    Kind kind = Kind::Property;
    std::uint64_t id = 0;    // the object's identifier (after the change)
    std::uint64_t oldId = 0; // Renumbered: the identifier before
    std::int32_t type = 0;
    ObjectKind objectKind = ObjectKind::Other;
    std::string name;                    // the object's NAME text, when it has one
    std::int32_t code = 0;               // Property: the property code
    std::optional<PI::CProperty> before; // Property: absent when the property appeared
    std::optional<PI::CProperty> after;  // Property: absent when the property went away
};

// True when both properties hold the same value (code and display fields aside).
bool SameValue(const PI::CProperty& a, const PI::CProperty& b);

// Objects are paired by identifier. An object left unpaired on both sides with the same type and the same
// UNIQUE_ID text is the same object under a new identifier (Renumbered, then its property changes).
// Order: removals, then additions and changes in the order of the new topology.
std::vector<Change> DiffTopology(const std::vector<PI::CObject>& before, const std::vector<PI::CObject>& after);

} // namespace pihost
