// The mirror of the Dorv100 as a shown object, and the device's RAID-level rules.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pi/CLogicalDrive.h"
#include "pi/CObject.h"
#include "pi/CProperty.h"
#include "piDorvCodes.h"
#include "tlx/Xml.h"

namespace RaidDataModels {
struct LD;
}

namespace NAMESPACE_piDorv {
class CDorvAdapter;

class CDorvLogicalDrive : public PI::CObject {
public:
    explicit CDorvLogicalDrive(std::shared_ptr<CDorvAdapter> adapter);
    ~CDorvLogicalDrive() override = default;
    CDorvLogicalDrive(const CDorvLogicalDrive&) = default;
    CDorvLogicalDrive& operator=(const CDorvLogicalDrive&) = default;

    // Empties `out` first.
    std::uint32_t GetLogicalDriveProperties(std::vector<PI::CProperty>& out, PI::_PROPERTY_ID id) const;
    std::uint32_t GetLogicalDriveOperations(std::vector<PI::COperation>& out) const;
    std::uint32_t SetLogicalDriveProperty(PI::CProperty& property);
    std::uint32_t CheckLogicalDriveOperation(PI::COperation& op) const;
    std::uint32_t ExecuteLogicalDriveOperation(PI::COperation& op) const;

    // Counts the update and copies the data members; identifier, relations and adapter stay.
    void Update(const CDorvLogicalDrive& other);
    bool Equal(const CDorvLogicalDrive& other) const;
    bool Unequal(const CDorvLogicalDrive& other) const { return !Equal(other); }
    bool operator==(const CDorvLogicalDrive& other) const;
    bool operator!=(const CDorvLogicalDrive& other) const { return !(*this == other); }

    std::uint32_t SetDatabaseObjectProperties(RaidDataModels::LD& model) const;

    std::shared_ptr<CDorvAdapter> m_Adapter;
    std::int32_t m_Number = -1;
    std::int32_t m_AuxNumber2 = -1;
    std::string m_Name;
    std::string m_UniqueID;
    std::uint64_t m_LogicalSize = 0;
    std::uint64_t m_PhysicalSize = 0;
    std::int32_t m_RaidLevel = -1;
    std::int32_t m_StripeSize = -1;
    std::int32_t m_Status = Value::OPERATIONAL;
    std::int32_t m_Activity = Value::IDLE;
    std::int32_t m_AuxState = 0;
    TLX::XML::xml_document m_Configuration;
};

const CDorvLogicalDrive* findLogicalDriveBy(const std::vector<CDorvLogicalDrive>& list, const CDorvAdapter& adapter,
                                            std::int32_t number);
CDorvLogicalDrive* findMutableLogicalDriveBy(std::vector<CDorvLogicalDrive>& list, const CDorvAdapter& adapter,
                                             std::int32_t number);

// RAID-level rules of the device.
std::uint32_t GetRAIDLevel(PI::CLogicalDrive& requested, int& level);
std::uint32_t GetRaidLevelInformation(PI::COperation& op);
} // namespace NAMESPACE_piDorv
