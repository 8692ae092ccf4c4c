#include "piDorvPhysicalDrive.h"

#include <algorithm>
#include <boost/format.hpp>

#include "codes/CodeNames.h"
#include "orm/RaidDataModels.h"
#include "piDorvCodes.h"
#include "piDorvLogicalDrive.h"
#include "piDorvModule.h"
#include "piDorvPropertyList.h"

namespace NAMESPACE_piDorv {
namespace {
using TLX::Output_Streams::FormatInt;

// Properties that make no sense for a drive that has gone missing: they leave the display group.
const PI::_PROPERTY_ID HIDDEN_WHEN_MISSING[] = {Property::VENDOR,
                                                Property::FIRMWARE_VERSION,
                                                Property::SERIAL_NUMBER,
                                                Property::TRANSFER_SPEED,
                                                Property::GUARDED_LOGICAL_DRIVES,
                                                Property::TRANSFER_WIDTH,
                                                Property::ACTIVITY,
                                                Property::TYPE,
                                                Property::PHYSICAL_SIZE,
                                                Property::PRODUCT,
                                                Property::DEVICE_NUMBER,
                                                Property::MISC_ERRORS,
                                                Property::PFA_COUNT,
                                                Property::SAS_ADDRESS_00,
                                                Property::SAS_ADDRESS_01,
                                                Property::SAS_ADDRESS_02,
                                                Property::SAS_ADDRESS_03,
                                                Property::COERCED_SIZE,
                                                Property::MEDIA_ERROR_COUNT,
                                                Property::FOREIGN_CONFIG,
                                                Property::RPM,
                                                Property::OS_DEVICE,
                                                Property::POWER_STATUS};

bool hiddenWhenMissing(PI::_PROPERTY_ID code) {
    return std::find(std::begin(HIDDEN_WHEN_MISSING), std::end(HIDDEN_WHEN_MISSING), code) !=
           std::end(HIDDEN_WHEN_MISSING);
}

// Status display number of the STATUS property; solid-state media have their own pictures.
std::int32_t statusDisplay(std::int32_t status, std::int32_t mediaType) {
    const bool ssd = mediaType == Value::SSD;
    switch (status) {
    case Value::OPERATIONAL:
        return ssd ? 24201 : 24093;
    case Value::FAILED:
        return ssd ? 24195 : 24087;
    case Value::REBUILDING:
        return ssd ? 24215 : 24105;
    case Value::DEDICATED_HOTSPARE:
        return ssd ? 24146 : 24014;
    case Value::FAILED_MISSING:
        return ssd ? 24176 : 24080;
    default:
        return ssd ? 24183 : 24081;
    }
}

// Status text of the database row: the states the host knows by name, "OK" for the rest.
const std::string& statusText(std::int32_t status) {
    switch (status) {
    case Value::FAILED_MISSING:
    case Value::OPERATIONAL:
    case Value::FAILED:
    case Value::REBUILDING:
    case Value::DEDICATED_HOTSPARE:
        return CodeNames::ValueName(status);
    default:
        return CodeNames::ValueName(Value::OK);
    }
}
} // namespace

std::uint32_t CDorvPhysicalDrive::GetPhysicalDriveProperties(std::vector<PI::CProperty>& out,
                                                             PI::_PROPERTY_ID id) const {
    PIDORV_TRACE(2, "GetPhysicalDriveProperties", "ENTER GetPhysicalDriveProperties()");

    static const std::vector<std::int32_t> statusList = {Value::AVAILABLE, Value::OPERATIONAL, Value::FAILED,
                                                         Value::REBUILDING, Value::DEDICATED_HOTSPARE};
    static const std::vector<std::int32_t> activityList = {Value::IDLE, Value::BUSY, Value::REBUILDING};
    static const std::vector<std::int32_t> typeList = {Value::SAS, Value::SATA};
    static const std::vector<std::int32_t> mediaList = {Value::HDD, Value::SSD};
    static const std::vector<std::int32_t> configurabilityList = {Value::CAN_BE_CONFIGURED,
                                                                  Value::CANNOT_BE_CONFIGURED};

    const std::uint64_t sizeShown = m_PhysicalSize >> 10;
    CPropertyList list(out, id, 16);
    list.Add(Property::NAME, m_Name).Label(23298);
    list.Add(Property::DEVICE_NUMBER, AsNumber(m_DeviceNumber)).Position(28).Label(23284);
    list.Add(Property::PORT_NUMBER, AsNumber(m_PortNumber)).Position(28).Label(23305);
    list.Add(Property::OS_DEVICE, "/dev/" + m_OsDeviceName).Label(23300); // "/dev/%s", without a formatter
    list.Add(Property::UNIQUE_ID, m_UniqueID).Position(0);
    list.Add(Property::VENDOR, m_Vendor).Label(23331);
    list.Add(Property::PRODUCT, m_Product).Label(23308);
    list.Add(Property::PHYSICAL_SIZE, sizeShown).ExtraText(Text::SIZE_UNIT).Label(23304);
    list.Add(Property::CONFIGURABLE_SIZE, sizeShown).ExtraText(Text::SIZE_UNIT).Label(23281);
    list.Add(Property::ACTIVITY, m_Activity, activityList).Label(23274);
    if (list.Wants(Property::STATUS)) {
        PIDORV_TRACE(2, "GetPhysicalDriveProperties",
                     "GetPhysicalDriveProperties() set status property of disk %d/%d to %d")
            << FormatInt(m_PortNumber) << FormatInt(m_DeviceNumber) << FormatInt(m_Status);
    }
    list.Add(Property::STATUS, m_Status, statusList).StatusDisplay(statusDisplay(m_Status, m_MediaType)).Label(23324);
    list.Add(Property::TYPE, m_Type, typeList).Label(23329);
    list.Add(Property::MEDIA_TYPE, m_MediaType, mediaList).Label(23296);
    list.Add(Property::CONFIGURABILITY, m_Configurability, configurabilityList).Position(0).Flag(0).Label(23280);

    // A missing drive hides its details wherever they are in the list, also those placed there before.
    if (m_Status == Value::FAILED_MISSING) {
        for (PI::CProperty& p : out) {
            if (hiddenWhenMissing(p.m_Code)) {
                p.m_Position = 0;
            }
        }
    }

    PIDORV_TRACE(2, "GetPhysicalDriveProperties", "LEAVE GetPhysicalDriveProperties() -> %d")
        << FormatInt(Status::SUCCESS);
    return Status::SUCCESS;
}

std::uint32_t CDorvPhysicalDrive::GetPhysicalDriveOperations(std::vector<PI::COperation>& out) const {
    // A physical drive offers no operations.
    out.clear();
    return Status::SUCCESS;
}

std::uint32_t CDorvPhysicalDrive::SetPhysicalDriveProperty(PI::CProperty& /*property*/) {
    return Status::INVALID_PROPERTY;
}

std::uint32_t CDorvPhysicalDrive::CheckPhysicalDriveOperation(std::vector<CDorvLogicalDrive>& logicalDrives,
                                                              PI::COperation& /*op*/) const {
    PIDORV_TRACE(2, "CheckPhysicalDriveOperation", "ENTER CheckPhysicalDriveOperation()");
    // No drive may be touched while a mirror is being rebuilt.
    for (const CDorvLogicalDrive& ld : logicalDrives) {
        if (ld.m_Activity == Value::REBUILDING) {
            return Status::LOGICALDRIVE_BUSY;
        }
    }
    PIDORV_TRACE(2, "CheckPhysicalDriveOperation", "LEAVE CheckPhysicalDriveOperation() -> %d")
        << FormatInt(Status::SUCCESS);
    return Status::SUCCESS;
}

std::uint32_t CDorvPhysicalDrive::ExecutePhysicalDriveOperation(PI::COperation& /*op*/) {
    PIDORV_TRACE(2, "ExecutePhysicalDriveOperation", "ENTER ExecutePhysicalDriveOperation()");
    PIDORV_TRACE(2, "ExecutePhysicalDriveOperation", "LEAVE ExecutePhysicalDriveOperation() -> %d")
        << FormatInt(Status::INVALID_OPERATION);
    return Status::INVALID_OPERATION;
}

void CDorvPhysicalDrive::Update(const CDorvPhysicalDrive& other) {
    // Only the device data is taken: the identifier the host knows, the relations and the update
    // counter (advanced here) are this drive's own.
    const PI::CObject own = *this;
    *this = other;
    static_cast<PI::CObject&>(*this) = own;
    ++m_UpdateCounter;
}

bool CDorvPhysicalDrive::Equal(const CDorvPhysicalDrive& other) const {
    return m_PortNumber == other.m_PortNumber && m_DeviceNumber == other.m_DeviceNumber && m_Vendor == other.m_Vendor &&
           m_Product == other.m_Product && m_Name == other.m_Name && m_OsDeviceName == other.m_OsDeviceName &&
           m_UniqueID == other.m_UniqueID && m_PhysicalSize == other.m_PhysicalSize && m_Aux64 == other.m_Aux64 &&
           m_Status == other.m_Status && m_Activity == other.m_Activity &&
           m_Configurability == other.m_Configurability && m_Aux32 == other.m_Aux32 && m_Type == other.m_Type &&
           m_MediaType == other.m_MediaType && m_AuxNumber == other.m_AuxNumber;
}

bool CDorvPhysicalDrive::operator==(const CDorvPhysicalDrive& other) const {
    return static_cast<const PI::CObject&>(*this) == static_cast<const PI::CObject&>(other) && Equal(other);
}

void CDorvPhysicalDrive::SetDatabaseObjectProperties(RaidDataModels::PD& model) const {
    PIDORV_TRACE(2, "SetDatabaseObjectProperties", "ENTER SetDatabaseObjectProperties (PD)");
    model = RaidDataModels::PD();

    const unsigned long sizeShown = static_cast<unsigned long>(m_PhysicalSize >> 10);
    model.Activity = CodeNames::ValueName(m_Activity);
    model.PhysicalSize = sizeShown;
    model.Configurability = CodeNames::ValueName(m_Configurability);
    model.DeviceNumber = m_DeviceNumber;
    model.AuxNumber = m_AuxNumber;
    // The row update finds this drive's row by host name; without it the row would never be updated.
    model.HostName = HOST_NAME;
    model.ObjectID = static_cast<unsigned long>(m_ID);
    model.MediaType = CodeNames::ValueName(m_MediaType);
    model.Name = m_Name;
    model.OsDevice = (boost::format("/dev/%s") % m_OsDeviceName).str();
    model.ConfigurableSize = sizeShown;
    model.PortNumber = m_PortNumber;
    model.Product = m_Product;
    model.Status = statusText(m_Status);
    model.Type = CodeNames::ValueName(m_Type);
    model.UniqueID = m_UniqueID;
    model.Vendor = m_Vendor;
}
} // namespace NAMESPACE_piDorv
