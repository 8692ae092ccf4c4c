// The Dorv100 adapter object, the controller-link session and the device-tree parse.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pi/CAdapterID.h"
#include "pi/CEvent.h"
#include "pi/CObject.h"
#include "pi/CProperty.h"

namespace RaidDataModels {
struct Adapter;
}

namespace NAMESPACE_piDorv {
class CDorvLogicalDrive;
class CDorvPhysicalDrive;

// The adapter's type text and the name of the driver (the bus) it is reached through, as its properties
// and its database row give them.
const char* const ADAPTER_TYPE = "Dorv";
const char* const ADAPTER_DRIVER_NAME = "USB";

class CDorvAdapter : public PI::CObject {
public:
    CDorvAdapter() = default;
    ~CDorvAdapter() override = default;
    CDorvAdapter(const CDorvAdapter&) = default;
    CDorvAdapter& operator=(const CDorvAdapter&) = default;
    CDorvAdapter(CDorvAdapter&&) = default;
    CDorvAdapter& operator=(CDorvAdapter&&) = default;

    bool operator==(const CDorvAdapter& other) const;
    bool operator!=(const CDorvAdapter& other) const { return !(*this == other); }
    bool Equal(const CDorvAdapter& other) const { return *this == other; }
    bool Unequal(const CDorvAdapter& other) const { return !(*this == other); }
    // Same PCI location (low 32 bits) and an identifier whose last number is set.
    bool operator==(const PI::CAdapterID& id) const;

    // Counts the update, then takes the other adapter's record and every own member.
    void Update(const CDorvAdapter& other);

    std::uint32_t GetAdapterProperties(std::vector<PI::CProperty>& out, const std::vector<CDorvLogicalDrive>& lds,
                                       const std::vector<CDorvPhysicalDrive>& pds, PI::_PROPERTY_ID id) const;
    std::uint32_t SetAdapterProperty(PI::CProperty& property);
    std::uint32_t GetAdapterOperations(std::vector<PI::COperation>& out) const;
    std::uint32_t CheckAdapterOperation(PI::COperation& op) const;
    std::uint32_t ExecuteAdapterOperation(PI::COperation& op, std::function<void(const PI::CEvent&)> notify);

    // Copies this adapter into its database row model (the model is reset first).
    void SetDatabaseObjectProperties(RaidDataModels::Adapter& model) const;

    std::uint32_t m_GlobalAdapterNumber = 0;
    std::string m_Type;
    std::string m_Name;
    std::string m_UniqueID;
    std::string m_Product;
    std::string m_Vendor;
    std::string m_FirmwareVersion;
    std::string m_SerialNumber;
    std::string m_DriverVersion;
    std::int64_t m_AdapterNumber = 0;
    std::int64_t m_PciBus = 0;
    std::int64_t m_PciDevice = 0;
    std::int64_t m_PciFunction = 0;
    std::string m_VendorID;
    std::string m_DeviceID;
    std::int32_t m_Status = 0;
    std::int32_t m_StatusWord2 = 0;
    std::vector<std::int32_t> m_AdditionalStatus;
    bool m_Flag = false;
};

typedef std::vector<CDorvAdapter> CDorvAdapterList;
typedef std::vector<std::shared_ptr<CDorvAdapter>> CDorvAdapterPtrList;

std::shared_ptr<const CDorvAdapter> findAdapter(const CDorvAdapterPtrList& list, std::uint64_t id);
std::shared_ptr<CDorvAdapter> findMutableAdapter(CDorvAdapterPtrList& list, std::uint64_t id);
std::shared_ptr<const CDorvAdapter> findAdapterById(const CDorvAdapterPtrList& list, const std::string& uniqueId);
std::shared_ptr<CDorvAdapter> findMutableAdapterById(CDorvAdapterPtrList& list, const std::string& uniqueId);
std::shared_ptr<const CDorvAdapter> findAdapter(const CDorvAdapterPtrList& list, const PI::CAdapterID& id);
std::shared_ptr<CDorvAdapter> findMutableAdapter(CDorvAdapterPtrList& list, const PI::CAdapterID& id);

// One whole exchange with the management controller: detect, connect, ask for the device tree,
// parse it, disconnect. Every failure gives a shorter or empty list.
CDorvAdapterList adaptersGet();
// Adapters of one answer text (the envelope whose "DA" holds the device tree).
CDorvAdapterList parseDorv100JSON(const char* answer);
} // namespace NAMESPACE_piDorv
