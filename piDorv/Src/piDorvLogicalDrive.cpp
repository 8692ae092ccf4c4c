#include "piDorvLogicalDrive.h"

#include <utility>

#include "codes/CodeNames.h"
#include "orm/RaidDataModels.h"
#include "piDorvAdapter.h"
#include "piDorvCodes.h"
#include "piDorvModule.h"
#include "piDorvOperationDescriptor.h"
#include "piDorvPropertyList.h"

namespace NAMESPACE_piDorv {
namespace {
using TLX::Output_Streams::FormatInt;

// The one operation a logical drive offers: hand out its configuration.
const OperationDescriptor LOGICAL_DRIVE_OPERATION = {
    Operation::GET_LOGICAL_DRIVE_CONFIGURATION, 3, 1, 1, 1, false, 0, 1, 1};

// Serialisation used for comparing and copying configurations.
const char* const XML_INDENT = "\t";
const unsigned XML_FORMAT_FLAGS = 1;
const int XML_DEFAULT_ENCODING = 0;
const unsigned XML_PARSE_OPTIONS = 116;

// Only striped and mirrored drives have a stripe size worth showing or storing.
bool hasStripeSize(std::int32_t raidLevel) {
    return raidLevel == Value::RAID0 || raidLevel == Value::RAID1;
}

std::int32_t statusDisplay(std::int32_t status) {
    if (status == Value::DEGRADED) {
        return 24063;
    }
    if (status == Value::FAILED) {
        return 24050;
    }
    return 24054;
}

const std::string& statusText(std::int32_t status) {
    if (status == Value::DEGRADED || status == Value::FAILED) {
        return CodeNames::ValueName(status);
    }
    return CodeNames::ValueName(Value::OK);
}

template <class List, class Drive> Drive* findIn(List& list, const CDorvAdapter& adapter, std::int32_t number) {
    for (Drive& ld : list) {
        // A drive not yet tied to an adapter cannot be the one asked for.
        if (ld.m_Adapter && ld.m_Number == number && ld.m_Adapter->m_UniqueID == adapter.m_UniqueID) {
            return &ld;
        }
    }
    return nullptr;
}
} // namespace

CDorvLogicalDrive::CDorvLogicalDrive(std::shared_ptr<CDorvAdapter> adapter) : m_Adapter(std::move(adapter)) {}

std::uint32_t CDorvLogicalDrive::GetLogicalDriveProperties(std::vector<PI::CProperty>& out, PI::_PROPERTY_ID id) const {
    PIDORV_TRACE(2, "GetLogicalDriveProperties", "ENTER GetLogicalDriveProperties(%d)") << FormatInt(m_Number);
    static const std::vector<std::int32_t> raidLevelList = {Value::RAID1};
    static const std::vector<std::int32_t> stripeList = {Value::STRIPE_4K,  Value::STRIPE_8K,  Value::STRIPE_16K,
                                                         Value::STRIPE_32K, Value::STRIPE_64K, Value::STRIPE_128K};
    static const std::vector<std::int32_t> statusList = {Value::OPERATIONAL, Value::DEGRADED, Value::FAILED};
    static const std::vector<std::int32_t> activityList = {Value::IDLE, Value::INITIALIZING, Value::REBUILDING,
                                                           Value::BUSY};

    out.clear();
    CPropertyList list(out, id, 16);
    list.Add(Property::NAME, m_Name).Label(23239);
    list.Add(Property::LOGICAL_DRIVE_NUMBER, AsNumber(m_Number)).Label(23240);
    list.Add(Property::UNIQUE_ID, m_UniqueID).Position(0);
    list.Add(Property::RAID_LEVEL, m_RaidLevel, raidLevelList).SubCode(SubProperty::TYPE).Label(23251);
    if (hasStripeSize(m_RaidLevel)) {
        list.Add(Property::STRIPESIZE, m_StripeSize, stripeList).Label(23250);
    }
    list.Add(Property::LOGICAL_SIZE, m_LogicalSize >> 11).ExtraText(Text::SIZE_UNIT).Label(23237);
    list.Add(Property::PHYSICAL_SIZE, m_PhysicalSize >> 10).ExtraText(Text::SIZE_UNIT).Label(23242);
    if (!m_Name.empty()) {
        list.Add(Property::OS_DEVICE, m_Name).Label(23241);
    }
    list.Add(Property::ACTIVITY, m_Activity, activityList).Label(23222);
    PIDORV_TRACE(4, "GetLogicalDriveProperties", "Zul GetLogicalDriveProperties() object.m_Status=%d")
        << FormatInt(m_Status);
    list.Add(Property::STATUS, m_Status, statusList).StatusDisplay(statusDisplay(m_Status)).Label(23249);
    list.Add(Property::CONFIGURATION, m_Configuration).Position(0);

    PIDORV_TRACE(2, "GetLogicalDriveProperties", "LEAVE GetLogicalDriveProperties() -> %d")
        << FormatInt(Status::SUCCESS);
    return Status::SUCCESS;
}

std::uint32_t CDorvLogicalDrive::GetLogicalDriveOperations(std::vector<PI::COperation>& out) const {
    out.clear();
    out.push_back(MakeOperation(LOGICAL_DRIVE_OPERATION));
    return Status::SUCCESS;
}

std::uint32_t CDorvLogicalDrive::SetLogicalDriveProperty(PI::CProperty& /*property*/) {
    return Status::INVALID_PROPERTY;
}

std::uint32_t CDorvLogicalDrive::CheckLogicalDriveOperation(PI::COperation& op) const {
    PIDORV_TRACE(2, "CheckLogicalDriveOperation", "ENTER CheckLogicalDriveOperation(%d/%d)")
        << FormatInt(m_Number) << FormatInt(op.m_Code);
    PIDORV_TRACE(2, "CheckLogicalDriveOperation", "LEAVE CheckLogicalDriveOperation() -> %d")
        << FormatInt(Status::INVALID_OPERATION);
    return Status::INVALID_OPERATION;
}

std::uint32_t CDorvLogicalDrive::ExecuteLogicalDriveOperation(PI::COperation& op) const {
    PIDORV_TRACE(2, "ExecuteLogicalDriveOperation", "ENTER ExecuteLogicalDriveOperation(%d, %d)")
        << FormatInt(m_Number) << FormatInt(op.m_Code);
    std::uint32_t result = Status::INVALID_OPERATION;
    if (op.m_Code == Operation::GET_LOGICAL_DRIVE_CONFIGURATION) {
        op.m_LogicalDrives.clear();
        op.m_LogicalDrives.push_back(PI::CLogicalDrive(m_Configuration));
        result = Status::SUCCESS;
    }
    PIDORV_TRACE(2, "ExecuteLogicalDriveOperation", "LEAVE ExecuteLogicalDriveOperation() -> %d") << FormatInt(result);
    return result;
}

void CDorvLogicalDrive::Update(const CDorvLogicalDrive& other) {
    ++m_UpdateCounter;
    m_AuxNumber2 = other.m_AuxNumber2;
    m_Number = other.m_Number;
    m_Name = other.m_Name;
    m_UniqueID = other.m_UniqueID;
    m_LogicalSize = other.m_LogicalSize;
    m_PhysicalSize = other.m_PhysicalSize;
    m_RaidLevel = other.m_RaidLevel;
    m_StripeSize = other.m_StripeSize;
    m_Status = other.m_Status;
    m_Activity = other.m_Activity;
    m_AuxState = other.m_AuxState;
    // Serialised first, so that updating a drive from itself reloads an unchanged text.
    const std::string text = other.m_Configuration.save(XML_INDENT, XML_FORMAT_FLAGS, XML_DEFAULT_ENCODING);
    m_Configuration.load_string(text.c_str(), XML_PARSE_OPTIONS);
}

bool CDorvLogicalDrive::Equal(const CDorvLogicalDrive& other) const {
    return m_Number == other.m_Number && m_Name == other.m_Name && m_UniqueID == other.m_UniqueID &&
           m_LogicalSize == other.m_LogicalSize && m_PhysicalSize == other.m_PhysicalSize &&
           m_RaidLevel == other.m_RaidLevel && m_StripeSize == other.m_StripeSize && m_Status == other.m_Status &&
           m_Activity == other.m_Activity && m_AuxState == other.m_AuxState && m_AuxNumber2 == other.m_AuxNumber2 &&
           TLX::Misc::xmlcompare(m_Configuration, other.m_Configuration);
}

bool CDorvLogicalDrive::operator==(const CDorvLogicalDrive& other) const {
    return static_cast<const PI::CObject&>(*this) == static_cast<const PI::CObject&>(other) && Equal(other);
}

std::uint32_t CDorvLogicalDrive::SetDatabaseObjectProperties(RaidDataModels::LD& model) const {
    PIDORV_TRACE(2, "SetDatabaseObjectProperties", "ENTER SetDatabaseObjectProperties() LogicalDrive");
    model = RaidDataModels::LD();

    model.Activity = CodeNames::ValueName(m_Activity);
    model.AuxNumber2 = m_AuxNumber2;
    // The row delete finds this drive's row by host name; without it a removed drive's row would stay.
    model.HostName = HOST_NAME;
    model.ObjectID = static_cast<unsigned long>(m_ID);
    model.Number = m_Number;
    model.LogicalSize = static_cast<unsigned long>(m_LogicalSize >> 11);
    model.Name = m_Name;
    if (!m_Name.empty()) {
        model.OsDevice = m_Name;
    }
    model.PhysicalSize = static_cast<unsigned long>(m_PhysicalSize >> 10);
    model.RaidLevel = CodeNames::ValueName(m_RaidLevel);
    model.Status = statusText(m_Status);
    if (hasStripeSize(m_RaidLevel)) {
        model.StripeSize = CodeNames::ValueName(m_StripeSize);
    }
    model.UniqueID = m_UniqueID;

    PIDORV_TRACE(2, "SetDatabaseObjectProperties", "LEAVE SetDatabaseObjectProperties() -> %d")
        << FormatInt(Status::SUCCESS);
    return Status::SUCCESS;
}

const CDorvLogicalDrive* findLogicalDriveBy(const std::vector<CDorvLogicalDrive>& list, const CDorvAdapter& adapter,
                                            std::int32_t number) {
    return findIn<const std::vector<CDorvLogicalDrive>, const CDorvLogicalDrive>(list, adapter, number);
}

CDorvLogicalDrive* findMutableLogicalDriveBy(std::vector<CDorvLogicalDrive>& list, const CDorvAdapter& adapter,
                                             std::int32_t number) {
    return findIn<std::vector<CDorvLogicalDrive>, CDorvLogicalDrive>(list, adapter, number);
}

std::uint32_t GetRAIDLevel(PI::CLogicalDrive& requested, int& level) {
    const std::vector<PI::CContainer>& containers = requested.GetContainers();
    // The drive count comes from the first container; a request without one names no drives at all.
    if (containers.empty()) {
        PIDORV_TRACE(2, "GetRAIDLevel", "LEAVE GetRAIDLevel() -> no container has been specified");
        return Status::INVALID_PARAMETER;
    }
    const std::size_t drives = containers.front().m_Drives.size();

    switch (requested.GetRaidLevel()) {
    case Value::RAID1:
        if (drives > 3) {
            PIDORV_TRACE(2, "GetRAIDLevel", "LEAVE GetRAIDLevel() -> not more then 3 drives have to be specified");
            return Status::INVALID_PARAMETER;
        }
        level = 1;
        return Status::SUCCESS;
    case Value::RAID0:
        if (drives < 2) {
            PIDORV_TRACE(2, "GetRAIDLevel", "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified");
            return Status::INVALID_PARAMETER;
        }
        level = 0;
        return Status::SUCCESS;
    case Value::CONCAT:
        if (drives < 2) {
            PIDORV_TRACE(2, "GetRAIDLevel", "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified");
            return Status::INVALID_PARAMETER;
        }
        level = -1;
        return Status::SUCCESS;
    default:
        PIDORV_TRACE(2, "GetRAIDLevel", "LEAVE GetRAIDLevel() -> unsupported RAID level");
        return Status::INVALID_PARAMETER;
    }
}

std::uint32_t GetRaidLevelInformation(PI::COperation& op) {
    PIDORV_TRACE(2, "GetRaidLevelInformation", "ENTER GetRaidLevelInformation()");
    op.m_Levels.clear();

    // The device mirrors exactly two cards.
    PI::CLevel level;
    level.m_Level = Value::RAID1;
    level.m_StripeSizes = {Value::STRIPE_4K,  Value::STRIPE_8K,  Value::STRIPE_16K,
                           Value::STRIPE_32K, Value::STRIPE_64K, Value::STRIPE_128K};
    level.m_DefaultStripeSize = Value::STRIPE_64K;
    level.m_MinDrives = 2;
    level.m_MaxDrives = 2;
    level.m_Reserved1 = 0;
    level.m_Reserved2 = 0;
    level.m_Reserved3 = 0;
    level.m_Reserved4 = 0;
    level.m_TextNumber = 21006;
    level.m_Reserved5 = 0;
    level.m_Reserved6 = 0;
    op.m_Levels.push_back(level);

    PIDORV_TRACE(2, "GetRaidLevelInformation", "LEAVE GetRaidLevelInformation()");
    return Status::SUCCESS;
}
} // namespace NAMESPACE_piDorv
