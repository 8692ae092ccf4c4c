// The shown-object record: identity, relations and the lists the plugin fills.
#pragma once
#include <cstdint>
#include <vector>

#include "pi/COperation.h"
#include "pi/CProperty.h"

namespace PI {
class CObject {
public:
    CObject() = default;
    virtual ~CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
    CObject(CObject&&) = default;
    CObject& operator=(CObject&&) = default;

    // Compares the whole record.
    bool operator==(const CObject& o) const;
    bool operator!=(const CObject& o) const { return !(*this == o); }

    std::uint64_t m_ID = 0;
    std::int32_t m_Type = 0; // object type code
    std::vector<std::uint64_t> m_Parents;
    std::vector<std::uint64_t> m_Children;
    std::uint64_t m_UpdateCounter = 0;
    bool m_Locked = false;
    std::vector<CProperty> m_Properties;
    std::vector<COperation> m_Operations;
};
} // namespace PI
