// A logical drive as an operation carries it: RAID level and containers of drives,
// read from the drive's configuration document (shape in docs/logical-drive-xml.md).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace TLX {
namespace XML {
class xml_document;
}
} // namespace TLX

namespace PI {
struct CDrive {
    std::int32_t m_PortNumber = -1;
    std::int32_t m_DeviceNumber = -1;
    std::uint64_t m_Size = 0;
    bool operator==(const CDrive& o) const {
        return m_PortNumber == o.m_PortNumber && m_DeviceNumber == o.m_DeviceNumber && m_Size == o.m_Size;
    }
};

struct CContainer {
    std::int32_t m_Number = -1;
    std::vector<CDrive> m_Drives;
    bool operator==(const CContainer& o) const { return m_Number == o.m_Number && m_Drives == o.m_Drives; }
};

struct CMigration {
    std::int32_t m_FromLevel = -1;
    std::int32_t m_ToLevel = -1;
    bool operator==(const CMigration& o) const { return m_FromLevel == o.m_FromLevel && m_ToLevel == o.m_ToLevel; }
};

struct CPartition {
    std::int32_t m_Number = -1;
    std::uint64_t m_Start = 0;
    std::uint64_t m_Size = 0;
    bool operator==(const CPartition& o) const {
        return m_Number == o.m_Number && m_Start == o.m_Start && m_Size == o.m_Size;
    }
};

class CLogicalDrive {
public:
    CLogicalDrive() = default;
    // Reads the document; a document without a LogicalDrive root gives an empty record.
    explicit CLogicalDrive(const TLX::XML::xml_document& configuration);

    std::int32_t GetRaidLevel() const { return m_RaidLevel; }
    const std::vector<CContainer>& GetContainers() const { return m_Containers; }

    bool operator==(const CLogicalDrive& o) const;
    bool operator!=(const CLogicalDrive& o) const { return !(*this == o); }

    std::int32_t m_Number = -1;
    std::int32_t m_RaidLevel = -1;
    std::int32_t m_StripeSize = -1;
    std::string m_Name;
    std::vector<CContainer> m_Containers;
};
} // namespace PI
