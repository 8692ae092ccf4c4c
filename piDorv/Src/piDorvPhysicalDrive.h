// One SD card of the Dorv100 as a shown object.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pi/CObject.h"
#include "pi/CProperty.h"

namespace RaidDataModels {
struct PD;
}

namespace NAMESPACE_piDorv {
class CDorvLogicalDrive;

class CDorvPhysicalDrive : public PI::CObject {
public:
    CDorvPhysicalDrive() = default;
    ~CDorvPhysicalDrive() override = default;
    CDorvPhysicalDrive(const CDorvPhysicalDrive&) = default;
    CDorvPhysicalDrive& operator=(const CDorvPhysicalDrive&) = default;

    // Appends (does not empty `out`).
    std::uint32_t GetPhysicalDriveProperties(std::vector<PI::CProperty>& out, PI::_PROPERTY_ID id) const;
    std::uint32_t GetPhysicalDriveOperations(std::vector<PI::COperation>& out) const;
    std::uint32_t SetPhysicalDriveProperty(PI::CProperty& property);
    std::uint32_t CheckPhysicalDriveOperation(std::vector<CDorvLogicalDrive>& logicalDrives, PI::COperation& op) const;
    std::uint32_t ExecutePhysicalDriveOperation(PI::COperation& op);

    // Counts the update and copies the own members; identifier and relations stay.
    void Update(const CDorvPhysicalDrive& other);
    bool Equal(const CDorvPhysicalDrive& other) const;
    bool Unequal(const CDorvPhysicalDrive& other) const { return !Equal(other); }
    bool operator==(const CDorvPhysicalDrive& other) const;
    bool operator!=(const CDorvPhysicalDrive& other) const { return !(*this == other); }

    void SetDatabaseObjectProperties(RaidDataModels::PD& model) const;

    std::int32_t m_AuxNumber = 0;
    std::int32_t m_PortNumber = 0;
    std::int32_t m_DeviceNumber = 0;
    std::string m_Vendor;
    std::string m_Product;
    std::string m_Name;
    std::string m_OsDeviceName;
    std::string m_UniqueID;
    std::uint64_t m_PhysicalSize = 0;
    std::uint64_t m_Aux64 = 0;
    std::int32_t m_Status = 0;
    std::int32_t m_Activity = 0;
    std::int32_t m_Configurability = 0;
    std::int32_t m_Aux32 = 0;
    std::int32_t m_Type = 0;
    std::int32_t m_MediaType = 0;
};
} // namespace NAMESPACE_piDorv
